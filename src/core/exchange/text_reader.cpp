// Reading an import file into rows and columns: separators, quoted fields, line ends, encodings.
#include "exchange/text_reader.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "common/error.h"

namespace kolv::exchange {

char separatorChar(Separator s, std::string_view other) {
    switch (s) {
    case Separator::Tab: return '\t';
    case Separator::Blank: return ' ';
    case Separator::Semicolon: return ';';
    case Separator::Comma: return ',';
    case Separator::Other:
        // Only a one-byte character can split UTF-8 text without cutting a character in two.
        if (!other.empty() && static_cast<unsigned char>(other[0]) < 0x80 && other[0] != '\n' && other[0] != '\r')
            return other[0];
        return '\t';
    }
    return ',';
}

int TextTable::columnCount() const {
    std::size_t n = 0;
    for (const auto& l : lines) n = std::max(n, l.size());
    return static_cast<int>(n);
}

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned cp;
        if ((c & 0xE0) == 0xC0) len = 2, cp = c & 0x1F;
        else if ((c & 0xF0) == 0xE0) len = 3, cp = c & 0x0F;
        else if ((c & 0xF8) == 0xF0) len = 4, cp = c & 0x07;
        else return false;
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::string decodeFileText(std::string_view bytes, bool* latin1) {
    if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
        static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
        bytes.remove_prefix(3);
    if (isValidUtf8(bytes)) {
        if (latin1) *latin1 = false;
        return std::string(bytes);
    }
    // Latin-1: byte b is the character U+00b, two UTF-8 bytes from 0x80 up.
    if (latin1) *latin1 = true;
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

namespace {

bool blankOnly(const std::vector<std::string>& fields) {
    for (const auto& f : fields)
        if (f.find_first_not_of(" \t") != std::string::npos) return false;
    return true;
}

}  // namespace

TextTable parseText(std::string_view bytes, char sep) {
    TextTable t;
    const std::string text = decodeFileText(bytes, &t.latin1);
    t.hasQuoteMarks = text.find_first_of("\"'") != std::string::npos;
    const bool blankSep = sep == ' ';

    std::vector<std::string> fields;
    std::string field;
    int fieldsInLine = 0;  // fields seen in the line, also past the cut
    bool fieldStarted = false;  // (blank separator) the current field has a character

    auto endField = [&] {
        ++fieldsInLine;
        if (fields.size() < static_cast<std::size_t>(kMaxImportColumns)) fields.push_back(std::move(field));
        field.clear();
        fieldStarted = false;
    };
    auto endLine = [&] {
        if (!blankSep || fieldStarted) endField();
        if (!fields.empty() && !blankOnly(fields)) {
            t.fileColumns = std::max(t.fileColumns, fieldsInLine);
            t.lines.push_back(std::move(fields));
            t.fieldCounts.push_back(fieldsInLine);
        }
        fields.clear();
        field.clear();
        fieldsInLine = 0;
        fieldStarted = false;
    };

    const std::size_t n = text.size();
    std::size_t i = 0;
    bool any = false;  // characters since the last line end
    while (i < n) {
        const char c = text[i];
        // A quote at the start of a field opens a quoted field.
        if (c == '"' && field.empty() && !fieldStarted) {
            fieldStarted = true;
            any = true;
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        field.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;  // the closing quote
                    break;
                }
                field.push_back(text[i++]);
            }
            // Anything between the closing quote and the separator belongs to the field.
            continue;
        }
        if (c == '\r' || c == '\n') {
            endLine();
            any = false;
            i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        any = true;
        if (c == sep) {
            if (blankSep) {
                if (fieldStarted) endField();  // runs of blanks are one separator
            } else {
                endField();
            }
            ++i;
            continue;
        }
        if (blankSep && c == '\t' && !fieldStarted) {
            ++i;  // lining-up tabs before a blank-separated field are not part of it
            continue;
        }
        field.push_back(c);
        fieldStarted = true;
        ++i;
    }
    if (any) endLine();
    return t;
}

std::string readFileBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw Error(kErrFileNotFound, "The file '" + path + "' could not be opened.");
    std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (f.bad()) throw Error(kErrFileNotFound, "The file '" + path + "' could not be read.");
    return bytes;
}

std::string utf8Left(std::string_view s, std::size_t n) {
    std::size_t i = 0, count = 0;
    while (i < s.size() && count < n) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
        ++count;
    }
    return std::string(s.substr(0, i));
}

std::size_t utf8Length(std::string_view s) {
    std::size_t count = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace kolv::exchange
