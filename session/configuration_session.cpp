// One configuration being edited, and what each action does to it.
#include "configuration_session.h"

#include "field_rules.h"
#include "file_io.h"

#include <QDir>
#include <QFileInfo>

bool fieldDiffers(const ConfigBlock& edited, const ConfigBlock& controller, Field f)
{
    if (fieldDef(f).kind == FieldKind::Flag)
        return edited.get(f) != controller.get(f);
    return edited.raw(f) != controller.raw(f);
}

ConfigurationSession::ConfigurationSession(QObject* parent) : QObject(parent) {}

bool ConfigurationSession::needsIdentity(const QString& path)
{
    ConfigurationFile file;
    return ConfigurationFile::read(path, &file, nullptr, nullptr) && !file.isImage() &&
           !file.document.controller;
}

ConfigurationSession::Refusal
ConfigurationSession::Refusal::unreadable(const QString& ioError,
                                          const QList<DocumentError>& errors)
{
    Refusal refusal(ioError.isEmpty() ? Kind::NotConfiguration : Kind::CannotOpen);
    refusal.ioError = ioError;
    refusal.errors = errors;
    return refusal;
}

ConfigurationSession::Refusal ConfigurationSession::load(const QString& path,
                                                         const std::optional<ConfigBlock>& identity,
                                                         State* out)
{
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    *out = State();
    out->origin.filePath = path;
    if (!ConfigurationFile::read(path, &file, &ioError, &errors))
        return Refusal::unreadable(ioError, errors);
    if (file.isImage()) {
        out->edited = *file.image;
        out->origin.fileFields = FieldRules(out->edited).writableFields();
    } else if (!file.document.controller && !identity) {
        return Refusal(Refusal::Kind::NeedsIdentity);
    } else {
        // A document's controller part holds the identity bytes only; the fields it does not
        // name stay unknown (0xFF) until Connect takes the controller's.
        out->origin.assumedIdentity = !file.document.controller;
        const ConfigBlock base =
            file.document.controller.value_or(identity.value_or(ConfigBlock()));
        if (!applyDocument(file.document, base, {}, &out->edited, &errors)) {
            Refusal refusal(Refusal::Kind::NotApplied);
            refusal.errors = errors;
            return refusal;
        }
        for (const auto& [field, value] : file.document.fields)
            out->origin.fileFields.append(field);
        out->origin.wholeBlock = false;
    }
    out->controller = out->edited;
    return {};
}

QList<Field> ConfigurationSession::changedFields() const
{
    QList<Field> fields;
    for (Field f : FieldRules(m_state.edited).settingFields())
        if (fieldDiffers(m_state.edited, m_state.controller, f))
            fields.append(f);
    return fields;
}

bool ConfigurationSession::hasUnsavedChanges() const
{
    return m_state.edited != m_state.controller &&
           (!m_state.saved || m_state.edited != *m_state.saved);
}

bool ConfigurationSession::isModifiedSinceSaved() const
{
    return m_state.edited != m_state.saved.value_or(m_state.controller);
}

bool ConfigurationSession::differsFromController() const
{
    return m_online && m_state.edited != m_state.controller;
}

std::optional<QList<Field>> ConfigurationSession::knownFields() const
{
    if (m_state.origin.wholeBlock)
        return std::nullopt;
    QList<Field> known = m_state.origin.fileFields;
    for (Field f : changedFields())
        if (!known.contains(f))
            known.append(f);
    return known;
}

ConfigDocument ConfigurationSession::document() const
{
    const ConfigBlock& block = m_state.edited;
    const Origin& origin = m_state.origin;
    if (origin.wholeBlock && !origin.assumedIdentity)
        return ConfigDocument::of(block);
    ConfigDocument doc;
    if (!origin.assumedIdentity)
        doc.controller = block;
    const QList<Field> changed = changedFields();
    for (Field f : FieldRules(block).writableFields())
        if (origin.fileFields.contains(f) || changed.contains(f))
            doc.fields.append({f, block.get(f)});
    return doc;
}

ConfigurationSide ConfigurationSession::side() const
{
    if (m_state.origin.wholeBlock && !m_state.origin.assumedIdentity)
        return ConfigurationSide::of(m_state.edited);
    return ConfigurationSide::of(document());
}

std::optional<ConfigurationFile::Format> ConfigurationSession::saveFormat() const
{
    // A backup image (.n) is the history's, not a file to save into.
    const QString suffix = QFileInfo(filePath()).suffix().toLower();
    if (filePath().isEmpty() || suffix == QLatin1String("n"))
        return std::nullopt;
    return suffix == QLatin1String("bin") ? ConfigurationFile::Format::Image
                                          : ConfigurationFile::Format::Document;
}

QString ConfigurationSession::suggestedPath(ConfigurationFile::Format format,
                                            const QString& home) const
{
    const QString suffix = format == ConfigurationFile::Format::Image ? QStringLiteral(".bin")
                                                                      : QStringLiteral(".json");
    if (!m_online && !filePath().isEmpty()) {
        const QFileInfo info(filePath());
        return info.absoluteDir().filePath(info.completeBaseName() + suffix);
    }
    const ConfigBlock& block = m_state.edited;
    // The model text comes from the controller: whatever it holds must not make a path.
    return QDir(home).filePath(fileNameSafe(modelDesignation(block) + QLatin1Char('-') +
                                            fieldValueText(block, Field::SerialNumber)) +
                               suffix);
}

ConfigurationSession::Refusal ConfigurationSession::applyOnto(const ConfigDocument& doc,
                                                              const ConfigBlock& target,
                                                              ConfigBlock* result) const
{
    if (doc.controller && !sameModelAndVersion(*doc.controller, target)) {
        Refusal refusal(Refusal::Kind::OtherController);
        refusal.theirs = *doc.controller;
        refusal.ours = target;
        return refusal;
    }
    Refusal refusal(Refusal::Kind::NotApplied);
    if (!applyDocument(doc, target, {}, result, &refusal.errors))
        return refusal;
    return {};
}

void ConfigurationSession::set(const State& state)
{
    m_state = state;
    emit changed();
}

void ConfigurationSession::startOnline(const ConfigBlock& controller)
{
    m_online = true;
    State state;
    state.edited = state.controller = controller;
    set(state);
}

ConfigurationSession::Refusal
ConfigurationSession::startOffline(const QString& path, const std::optional<ConfigBlock>& identity)
{
    m_online = false;
    State state;
    const Refusal refusal = load(path, identity, &state);
    if (refusal) {
        state = State();
        state.origin.filePath = path;
    }
    set(state);
    return refusal;
}

ConfigurationSession::Refusal ConfigurationSession::openFile(const QString& path)
{
    State next;
    if (!m_online) {
        const Refusal refusal = load(path, m_state.edited, &next);
        if (!refusal)
            set(next);
        return refusal;
    }
    ConfigurationFile file;
    QString ioError;
    QList<DocumentError> errors;
    if (!ConfigurationFile::read(path, &file, &ioError, &errors))
        return Refusal::unreadable(ioError, errors);
    next = m_state;
    if (const Refusal refusal = applyOnto(file.asDocument(), m_state.controller, &next.edited))
        return refusal;
    next.origin.filePath = path;
    next.saved = next.edited;
    set(next);
    return {};
}

void ConfigurationSession::edit(const ConfigBlock& edited)
{
    if (edited == m_state.edited)
        return;
    State next = m_state;
    next.edited = edited;
    set(next);
}

void ConfigurationSession::read(const ConfigBlock& controller)
{
    State next = m_state;
    next.saved.reset();
    next.origin.filePath.clear();
    next.edited = next.controller = controller;
    set(next);
}

void ConfigurationSession::written()
{
    State next = m_state;
    next.controller = next.edited;
    set(next);
}

void ConfigurationSession::saved(const QString& path, const ConfigDocument& saved)
{
    State next = m_state;
    next.saved = next.edited;
    next.origin.filePath = path;
    if (!m_online) {
        // Offline the saved file becomes the configuration shown.
        next.origin.fileFields.clear();
        for (const auto& [field, value] : saved.fields)
            next.origin.fileFields.append(field);
        next.controller = next.edited;
    }
    set(next);
}

ConfigurationSession::Refusal ConfigurationSession::takeOver(const ConfigurationSide& other)
{
    ConfigDocument doc;
    if (other.identified)
        doc.controller = other.block;
    const FieldRules rules(m_state.edited);
    for (Field f : other.fields)
        if (rules.writable(f))
            doc.fields.append({f, other.block.get(f)});
    State next = m_state;
    if (const Refusal refusal = applyOnto(doc, m_state.edited, &next.edited))
        return refusal;
    if (!m_online)
        for (const auto& [field, value] : doc.fields)
            if (!next.origin.fileFields.contains(field))
                next.origin.fileFields.append(field);
    set(next);
    return {};
}

ConfigurationSession::Refusal ConfigurationSession::restoreImage(const ConfigBlock& image)
{
    if (!sameModelAndVersion(image, m_state.controller)) {
        Refusal refusal(Refusal::Kind::OtherController);
        refusal.theirs = image;
        refusal.ours = m_state.controller;
        return refusal;
    }
    State next = m_state;
    next.edited = image;
    set(next);
    return {};
}

ConfigurationSession::Refusal ConfigurationSession::connect(const ConfigBlock& controller)
{
    State next;
    if (const Refusal refusal = applyOnto(document(), controller, &next.edited))
        return refusal;
    // Values saved in a file before count as saved still: the file holds them.
    if (m_state.saved && *m_state.saved == m_state.edited)
        next.saved = next.edited;
    next.controller = controller;
    next.origin.filePath = m_state.origin.filePath;
    m_online = true;
    set(next);
    return {};
}

void ConfigurationSession::restore(const State& state)
{
    State next = state;
    if (m_online)
        next.controller = m_state.controller;
    set(next);
}
