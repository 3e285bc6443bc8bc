// A configuration as the front ends open, save and compare it: a 128-byte image or a
// configuration document. One reader and one comparison behind diff, Compare With and import.
#pragma once

#include "config_block.h"
#include "config_document.h"

#include <QList>
#include <QString>

#include <optional>

struct ConfigurationFile
{
    enum class Format
    {
        Document, // JSON, the fields by name
        Image,    // the 128 bytes as the controller holds them
    };

    // The image, for a 128-byte file that is not a JSON object; otherwise the document.
    std::optional<ConfigBlock> image;
    ConfigDocument document;

    bool isImage() const { return image.has_value(); }
    // The document to apply: the image's identity and every writable field it uses, or the
    // document as read.
    ConfigDocument asDocument() const;

    // Reads `path`. On failure false, with *ioError set when the file cannot be read and
    // *errors (each naming its field) when it is no configuration.
    static bool read(const QString& path, ConfigurationFile* file, QString* ioError,
                     QList<DocumentError>* errors);
    // The file's content: an image's bytes or a document's JSON.
    static QByteArray content(const ConfigDocument& document);
    static QByteArray content(const ConfigBlock& image);
    // Writes the content atomically; on failure false and *error says why.
    static bool write(const QString& path, const QByteArray& content, QString* error);
};

// One side of a comparison: a whole image speaks for every field its controller uses, a
// document only for the fields it names.
struct ConfigurationSide
{
    ConfigBlock block;
    QList<Field> fields;
    bool whole = false;
    bool identified = false; // an image, or a document with a controller part

    static ConfigurationSide of(const ConfigBlock& image);
    static ConfigurationSide of(const ConfigDocument& document);
    static ConfigurationSide of(const ConfigurationFile& file);
};

// The fields whose values differ: a's fields in order, then those only b holds. A field one
// side lacks counts only where that side is a whole image ("-" stands for the missing value);
// a document that does not name a field says nothing about it. `before` is a's value, `after`
// b's.
QList<FieldChange> compareConfigurations(const ConfigurationSide& a, const ConfigurationSide& b);
