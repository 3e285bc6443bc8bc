// The configuration document: a controller's settings by field name, as a JSON file.
#pragma once

#include "config_block.h"
#include "field_rules.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The field of that exact name (case-sensitive), or nullptr.
const FieldDef* fieldNamed(const QString& name);
// Whether a document or an assignment may name the field at all: false for the fields no
// controller lets anyone write.
bool documentMayName(const FieldDef& def);

// One refusal, naming the field it concerns (empty for the document as a whole). `message` is
// the command line's English; a window puts `kind` with `args` (and `valid`) into its own words.
struct DocumentError
{
    // In this order the resource modules hold their texts; `args` as each kind's comment says.
    enum Kind
    {
        NotJson,               // why (the JSON parser's words), line, column
        NotObject,             //
        WrongFormat,           // the format given, the format expected
        BadVersion,            // the version given
        NewerVersion,          // the version given, the newest one read
        ControllerNotObject,   // the value given
        FieldsNotObject,       // the value given
        BadIdentityHex,        // key, value, hexadecimal digits expected
        BadIdentityText,       // key, value, characters expected
        NoSuchField,           // name
        Derived,               // name, the field it always follows
        ReadFromController,    // name
        NotBoolean,            // name, value
        NotNumber,             // name, value
        NotWhole,              // name, value
        OutOfWidth,            // name, value, smallest, largest
        OtherController,       // document's model, its software, controller's model, its software
        NotNamed,              // name
        NotUsed,               // name, value
        Fixed,                 // name, value, the value it keeps
        OutOfRange,            // name, value (and `valid`)
        SharedBrakeInput,      //
        BrakeInputTaken,       // brake sensor type
        FootSwitchWithForward, //
        NotAssignment,         // the text given
        AssignedTwice,         // name
        CannotRead,            // file, why
        FileTooLarge,          //
        Other,                 // only `message` says it
    };

    DocumentError() = default;
    DocumentError(QString field, QString message, Kind kind = Other, QStringList args = {},
                  ValidValues valid = {})
        : field(std::move(field)), message(std::move(message)), kind(kind), args(std::move(args)),
          valid(std::move(valid))
    {
    }

    QString field;
    QString message;
    Kind kind = Other;
    QStringList args;
    ValidValues valid; // OutOfRange: what the field takes
};

// One field whose value differs between two configurations.
struct FieldChange
{
    Field field;
    QString before; // "-" where that side does not hold the field
    QString after;
};

// What a document says, before it is applied to a controller.
struct ConfigDocument
{
    static constexpr int kFormatVersion = 1;
    static constexpr char kFormat[] = "norvel-configuration"; // the "format" entry

    // The identity part, when the document has one: the identity bytes of the controller it
    // was taken from; every other byte of the block is 0xFF.
    std::optional<ConfigBlock> controller;
    // The fields it names: by name for a parsed document, in the order given for assignments,
    // in the wizard's order for a controller's document.
    QList<std::pair<Field, std::uint32_t>> fields;

    bool names(Field f) const;
    std::uint32_t value(Field f) const; // 0 when the field is not named

    // Strict reading: everything that is wrong is returned, and a document with errors is
    // not to be used. Checks the document on its own: JSON, format, version, field names,
    // JSON types, whole numbers, fields that are never writable.
    static ConfigDocument parse(const QByteArray& json, QList<DocumentError>* errors);

    // The document of a controller: its identity and every writable field it uses.
    static ConfigDocument of(const ConfigBlock& block);
    QByteArray toJson() const;
};

struct ApplyOptions
{
    bool force = false; // accept another model designation or software version
    QStringList only;   // apply only these fields (empty: all that the document names)
};

// Applies the document to the controller's block `current`: all or nothing. On success
// *result holds the new block (reserved bytes and unnamed fields as in `current`;
// ControlModeCopy follows ControlMode). Each refusal names its field, value and what is
// allowed. A field whose value equals the current one is no change and is never refused.
bool applyDocument(const ConfigDocument& doc, const ConfigBlock& current,
                   const ApplyOptions& options, ConfigBlock* result, QList<DocumentError>* errors);

// Parses NAME=VALUE assignments (VALUE an integer or true/false) into a document without an
// identity part.
ConfigDocument documentFromAssignments(const QStringList& assignments,
                                       QList<DocumentError>* errors);

// The differences between two blocks over the fields that `rules` says are used, in the
// wizard's order.
QList<FieldChange> diffBlocks(const ConfigBlock& a, const ConfigBlock& b, const FieldRules& rules);
// "NAME: OLD -> NEW"
QString changeText(const FieldChange& change);

// The first byte where two blocks differ and the field that holds it, or -1 when equal.
int firstDifference(const ConfigBlock& a, const ConfigBlock& b, Field* field = nullptr);
// How a block read back after a write differs from what was written: the first differing byte
// and its field, or -1 when it stuck. The version bytes are left out: the controller reports its
// version through identification, not through the stored bytes.
int readBackDifference(const ConfigBlock& written, const ConfigBlock& readBack,
                       Field* field = nullptr);
// The field that holds a block byte (the first one in table order for shared bytes).
Field fieldAtOffset(int offset);

// Identity bytes that must match for a document or image to be applied without --force:
// the model designation (bytes 64..72 and 107) and the software version. The serial number
// may differ: that is how one document goes onto a production batch.
bool sameModelAndVersion(const ConfigBlock& a, const ConfigBlock& b);
QString identityText(const ConfigBlock& block);
