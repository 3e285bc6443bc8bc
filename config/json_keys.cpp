// Keys that a JSON object names twice: QJsonDocument silently keeps one of them.
#include "json_keys.h"

#include <QSet>

namespace {

class KeyScanner
{
public:
    explicit KeyScanner(const QByteArray& json)
        : m_p(json.constData()), m_end(json.constData() + json.size())
    {
        if (json.startsWith("\xEF\xBB\xBF"))
            m_p += 3;
    }

    void object(const QString& outer, const QStringList& nested, QList<JsonDuplicate>* duplicates)
    {
        skipSpace();
        if (!take('{'))
            return;
        QSet<QString> seen;
        for (;;) {
            skipSpace();
            if (take('}') || m_p >= m_end || *m_p != '"')
                return;
            const QString key = string();
            skipSpace();
            if (!take(':'))
                return;
            const JsonDuplicate found{outer, key};
            if (seen.contains(key) && !duplicates->contains(found))
                duplicates->append(found);
            seen.insert(key);
            skipSpace();
            if (nested.contains(key) && m_p < m_end && *m_p == '{')
                object(key, {}, duplicates);
            else
                skipValue();
            skipSpace();
            if (!take(',')) {
                take('}');
                return;
            }
        }
    }

private:
    bool take(char c)
    {
        if (m_p >= m_end || *m_p != c)
            return false;
        ++m_p;
        return true;
    }

    void skipSpace()
    {
        while (m_p < m_end && (*m_p == ' ' || *m_p == '\t' || *m_p == '\n' || *m_p == '\r'))
            ++m_p;
    }

    static int hexDigit(char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    // A string at '"', its escapes decoded, so that two spellings of one key compare equal.
    QString string()
    {
        QString text;
        const char* run = ++m_p;
        const auto flush = [&] { text += QString::fromUtf8(run, m_p - run); };
        while (m_p < m_end && *m_p != '"') {
            if (*m_p != '\\') {
                ++m_p;
                continue;
            }
            flush();
            ++m_p;
            if (m_p >= m_end)
                return text;
            const char c = *m_p++;
            switch (c) {
            case 'b':
                text += QLatin1Char('\b');
                break;
            case 'f':
                text += QLatin1Char('\f');
                break;
            case 'n':
                text += QLatin1Char('\n');
                break;
            case 'r':
                text += QLatin1Char('\r');
                break;
            case 't':
                text += QLatin1Char('\t');
                break;
            case 'u': {
                char16_t unit = 0;
                for (int i = 0; i < 4 && m_p < m_end; ++i) {
                    const int digit = hexDigit(*m_p++);
                    unit = static_cast<char16_t>((unit << 4) | (digit < 0 ? 0 : digit));
                }
                text += QChar(unit);
                break;
            }
            default:
                text += QLatin1Char(c);
                break;
            }
            run = m_p;
        }
        flush();
        take('"');
        return text;
    }

    // Any value, without looking inside: strings skipped whole, brackets counted.
    void skipValue()
    {
        int depth = 0;
        while (m_p < m_end) {
            const char c = *m_p;
            if (c == '"') {
                ++m_p;
                while (m_p < m_end && *m_p != '"')
                    m_p += (*m_p == '\\' && m_p + 1 < m_end) ? 2 : 1;
                if (m_p < m_end)
                    ++m_p;
            } else if (c == '{' || c == '[') {
                ++depth;
                ++m_p;
            } else if (c == '}' || c == ']') {
                if (depth == 0)
                    return;
                --depth;
                ++m_p;
            } else if (depth == 0 &&
                       (c == ',' || c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
                return;
            } else {
                ++m_p;
            }
            if (depth == 0 && (c == '"' || c == '}' || c == ']'))
                return;
        }
    }

    const char* m_p;
    const char* m_end;
};

} // namespace

QList<JsonDuplicate> duplicateJsonKeys(const QByteArray& json, const QStringList& nested)
{
    QList<JsonDuplicate> duplicates;
    KeyScanner(json).object(QString(), nested, &duplicates);
    return duplicates;
}
