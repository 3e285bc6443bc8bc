// What the files of the professional view share: the identity grid's shape and small texts.
#pragma once

#include "config_block.h"
#include "config_document.h"
#include "field_rules.h"
#include "view_texts.h"

#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>

namespace ProfessionalViewSupport {

// The identity rows at the top, in grid order: three pairs a row.
constexpr int kIdentityRows = 6;
constexpr int kIdentityPairsPerRow = 3;

// The refusals, one a line, in the module's words.
inline QString errorLines(const QList<DocumentError>& errors, const ViewTexts& texts)
{
    QStringList lines;
    for (const DocumentError& e : errors)
        lines.append(texts.refusal(e));
    return lines.join(QLatin1Char('\n'));
}

inline QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

} // namespace ProfessionalViewSupport
