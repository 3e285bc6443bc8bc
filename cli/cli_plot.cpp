// The command-line tool's plot command: the setting curves of a controller or a file, as a
// PNG or SVG picture for reports.
#include "cli_tool.h"

#include "backup_file.h"
#include "config_document.h"
#include "configuration_file.h"
#include "curve_painter.h"
#include "curves.h"
#include "field_rules.h"
#include "link.h"

#include <QFileInfo>

int CliTool::plot(Link& link, const QString& path, const QString& curveName,
                  const std::optional<QString>& from)
{
    if (curvePictureFormat(path).isEmpty())
        return usageError(
            QStringLiteral("%1: the picture's name must end in .png or .svg").arg(path));
    std::optional<CurveKind> only;
    if (!curveName.isEmpty()) {
        only = curveKindNamed(curveName);
        if (!only) {
            QStringList names;
            for (CurveKind kind : kCurveKinds)
                names << curveKindName(kind);
            return usageError(QStringLiteral("unknown curve '%1'; one of %2")
                                  .arg(curveName, names.join(QStringLiteral(", "))));
        }
    }

    ConfigurationSide input;
    QString source;
    if (from) {
        if (const int code = readConfiguration(*from, &input); code != kExitOk)
            return code;
        // Which fields exist, their valid values and the curves themselves follow the model
        // and software version.
        if (!input.identified)
            return fail(QStringLiteral("%1 does not say which controller it is for (it has no "
                                       "\"controller\" part); plot the controller instead")
                            .arg(*from),
                        kExitUsage);
        source = QFileInfo(*from).fileName();
    } else {
        ConfigBlock block;
        if (!readController(link, block))
            return kExitLink;
        input = ConfigurationSide::of(block);
        source = link.portPath();
    }
    const ConfigBlock& block = input.block;

    QList<CurveKind> kinds = curvesOf(FieldRules(block));
    if (only) {
        if (!kinds.contains(*only))
            return fail(QStringLiteral("%1 has no %2 curve: its model has no regeneration")
                            .arg(identityText(block), curveName),
                        kExitUsage);
        kinds = {*only};
    }

    // The first-connection image, where one is kept, faint behind the curves that differ.
    std::optional<ConfigBlock> backup;
    ConfigBlock first;
    if (const QString folder = backupDirectory();
        !folder.isEmpty() && BackupFile(folder, ControllerKey(block)).read(&first))
        backup = first;

    const CurveTexts texts;
    QList<CurveSheet> sheets;
    QStringList missing;
    for (CurveKind kind : kinds) {
        sheets.append(
            CurveSheet::of(kind, block, backup, texts, input.whole ? nullptr : &input.fields));
        for (Field f : sheets.last().curve.missing)
            missing.append(QLatin1String(fieldDef(f).name));
    }
    if (!missing.isEmpty())
        return fail(QStringLiteral("%1 gives no value for %2; the curves need them")
                        .arg(source, missing.join(QStringLiteral(", "))),
                    kExitUsage);

    const QString heading =
        QStringLiteral("%1, serial %2 (%3)")
            .arg(identityText(block), fieldValueText(block, Field::SerialNumber), source);
    QString error;
    if (!writeCurvePicture(path, sheets, heading, texts, &error))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, error), kExitUsage);
    return kExitOk;
}
