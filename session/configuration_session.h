// One configuration being edited: the controller's, the edited and the saved configuration, and
// the file it came from. The professional view shows it and puts its refusals into words; the
// session decides what each action does to the configuration.
#pragma once

#include "config_block.h"
#include "config_document.h"
#include "configuration_file.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// Whether the edited value of `f` differs from the controller's: flags by their bit, other
// fields by their raw bytes (a value the rules cannot show still counts).
bool fieldDiffers(const ConfigBlock& edited, const ConfigBlock& controller, Field f);

class ConfigurationSession : public QObject
{
    Q_OBJECT

public:
    // Where the configuration came from.
    struct Origin
    {
        // The file opened or last saved; empty when none.
        QString filePath;
        // Offline: the fields the file gives values for. Connect carries them (and every edit)
        // over to the controller.
        QList<Field> fileFields;
        // The edited block holds a value for every field (online, or an image opened);
        // otherwise only fileFields and the edits are known.
        bool wholeBlock = true;
        // A document without a controller part, shown for the identity the user chose.
        bool assumedIdentity = false;
    };

    // Everything the configuration is at one moment: what Undo brings back.
    struct State
    {
        ConfigBlock edited;
        ConfigBlock controller; // offline: the file as opened or saved
        Origin origin;
        std::optional<ConfigBlock> saved; // the edited block as last saved in a file
    };

    // Why a file, a document or an image was not taken. The session changes nothing then.
    struct Refusal
    {
        enum class Kind
        {
            None,
            CannotOpen,       // the file cannot be read: ioError
            NotConfiguration, // neither a document nor an image: errors
            NeedsIdentity,    // a document without a controller part, and no identity given
            NotApplied,       // the document does not fit: errors
            OtherController,  // made for another model or version: theirs, ours
        };
        Kind kind = Kind::None;
        QString ioError;
        QList<DocumentError> errors;
        ConfigBlock theirs;
        ConfigBlock ours;

        Refusal() = default;
        explicit Refusal(Kind k) : kind(k) {}
        // A file that ConfigurationFile::read refused: unreadable (ioError), else no
        // configuration (errors).
        static Refusal unreadable(const QString& ioError, const QList<DocumentError>& errors);
        explicit operator bool() const { return kind != Kind::None; }
    };

    explicit ConfigurationSession(QObject* parent = nullptr);

    // True for a readable document without a controller part: it needs an identity to be
    // opened offline.
    static bool needsIdentity(const QString& path);
    // The configuration of a file as the session would show it offline, not yet taken.
    // `identity` stands in for a document without a controller part.
    static Refusal load(const QString& path, const std::optional<ConfigBlock>& identity,
                        State* out);

    bool isOnline() const { return m_online; }
    const ConfigBlock& edited() const { return m_state.edited; }
    const ConfigBlock& controller() const { return m_state.controller; }
    const std::optional<ConfigBlock>& saved() const { return m_state.saved; }
    const Origin& origin() const { return m_state.origin; }
    QString filePath() const { return m_state.origin.filePath; }
    const State& state() const { return m_state; }

    // The fields the controller uses whose edited value differs from the controller's.
    QList<Field> changedFields() const;
    // Changes that are neither written into the controller nor saved in a file.
    bool hasUnsavedChanges() const;
    // Changes since the configuration was read, opened or last saved.
    bool isModifiedSinceSaved() const;
    // Online: the edited configuration differs from what the controller holds.
    bool differsFromController() const;
    // The fields with a value: nullopt when every field has one, else the file's and the
    // edited ones.
    std::optional<QList<Field>> knownFields() const;
    // The document this configuration makes: every writable field, or for a document opened
    // with an assumed identity only the fields it named and those edited since.
    ConfigDocument document() const;
    // This configuration as one side of a comparison.
    ConfigurationSide side() const;
    // The format Save writes the file the configuration came from in; nullopt where Save must
    // ask for a file (none yet, or a backup image of the history).
    std::optional<ConfigurationFile::Format> saveFormat() const;
    // The file name Save As offers: beside the opened file, or in `home` after the
    // controller's model and serial number.
    QString suggestedPath(ConfigurationFile::Format format, const QString& home) const;
    // `doc` applied onto `target`, refused when it was made for another model or version.
    Refusal applyOnto(const ConfigDocument& doc, const ConfigBlock& target,
                      ConfigBlock* result) const;

    // Online on the controller just read.
    void startOnline(const ConfigBlock& controller);
    // Offline on a file. A file that cannot be opened leaves an empty configuration named
    // after it, and says why.
    Refusal startOffline(const QString& path, const std::optional<ConfigBlock>& identity);
    // Online, the file's values on the controller's configuration in place of the edits;
    // offline, the file in place of the configuration.
    Refusal openFile(const QString& path);
    // The table's edit (with its couplings).
    void edit(const ConfigBlock& edited);
    // The controller was read: the configuration is its block, no file.
    void read(const ConfigBlock& controller);
    // The edited block was written and verified.
    void written();
    // The configuration was saved as `path` holding `saved`'s fields.
    void saved(const QString& path, const ConfigDocument& saved);
    // The fields of `other` that this controller may take, applied onto the edits.
    Refusal takeOver(const ConfigurationSide& other);
    // The whole image in place of the edits, as the wizard's Default restores it.
    Refusal restoreImage(const ConfigBlock& image);
    // Offline to online: the configuration applied onto the controller just read.
    Refusal connect(const ConfigBlock& controller);
    // Back to an earlier state. Online the controller holds what it holds: only the edits, the
    // file and the saved mark come back.
    void restore(const State& state);

signals:
    // The configuration, the controller's block or the origin changed.
    void changed();

private:
    void set(const State& state);

    State m_state;
    bool m_online = false;
};
