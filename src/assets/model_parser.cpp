#include "assets/model_parser.h"

#include <locale.h>
#include <stdlib.h>

#include <cfloat>
#include <climits>
#include <cmath>

namespace {

const char kStart[] = "START";
const char kNext[] = "NEXT";
const char kEnd[] = "END";
const char kSameTexture[] = "xxx";
const char kTooManyVerts[] = "too many verts";

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

size_t skipBlanks(const std::string& s, size_t i) {
    while (i < s.size() && isBlank(s[i])) ++i;
    return i;
}

size_t skipDigits(const std::string& s, size_t i) {
    while (i < s.size() && isDigit(s[i])) ++i;
    return i;
}

size_t skipSign(const std::string& s, size_t i) { return i < s.size() && (s[i] == '+' || s[i] == '-') ? i + 1 : i; }

// End of the longest decimal number starting at begin, or begin when there is none.
size_t decimalEnd(const std::string& s, size_t begin) {
    const size_t intStart = skipSign(s, begin);
    size_t i = skipDigits(s, intStart);
    bool digits = i > intStart;
    if (i < s.size() && s[i] == '.') {
        const size_t fraction = i + 1;
        i = skipDigits(s, fraction);
        digits = digits || i > fraction;
    }
    if (!digits) return begin;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        const size_t expStart = skipSign(s, i + 1);
        const size_t expEnd = skipDigits(s, expStart);
        if (expEnd > expStart) i = expEnd;
    }
    return i;
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Hands out the lines in order; past the last one, nothing.
class LineCursor {
public:
    explicit LineCursor(const std::vector<std::string>& lines) : lines(lines) {}

    const std::string* next() { return at < lines.size() ? &lines[at++] : nullptr; }

    bool skip(size_t count) {
        for (size_t i = 0; i < count; ++i) {
            if (!next()) return false;
        }
        return true;
    }

private:
    const std::vector<std::string>& lines;
    size_t at = 0;
};

enum class SectionEnd { Keyword, Overflow, EndOfFile };

// Reads entries of `width` lines until the section's keyword. The entry after the table is
// full is read, not stored, reported, and ends the section.
template <size_t width, typename Store>
SectionEnd readSection(LineCursor& cursor, const char* keyword, std::string& transcript, Store store) {
    for (size_t stored = 0;; ++stored) {
        const std::string* first = cursor.next();
        if (!first) return SectionEnd::EndOfFile;
        if (*first == keyword) return SectionEnd::Keyword;
        const std::string* entry[width] = {first};
        for (size_t i = 1; i < width; ++i) {
            if (!(entry[i] = cursor.next())) return SectionEnd::EndOfFile;
        }
        if (stored >= kModelMaxEntries) {
            transcript += kTooManyVerts;
            return SectionEnd::Overflow;
        }
        store(entry);
    }
}

// Values beyond float's range become infinities rather than an undefined conversion.
float toFloat(double value) {
    if (value > FLT_MAX) return HUGE_VALF;
    if (value < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(value);
}

float scaled(const std::string* line) { return toFloat(parseModelReal(*line) * 0.01); }

Vec3 scaledVec3(const std::string* const* lines) { return Vec3{scaled(lines[0]), scaled(lines[1]), scaled(lines[2])}; }

// A real number truncated toward zero; values no int32 holds become INT32_MIN (never valid).
int32_t truncatedIndex(const std::string& line) {
    const double value = std::trunc(parseModelReal(line));
    if (!(value >= INT32_MIN && value <= INT32_MAX)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

struct IndexTriple {
    int32_t index[3];
};

class GeometryPass {
public:
    explicit GeometryPass(const std::vector<std::string>& lines) : cursor(lines) {}

    ModelGeometry run() {
        for (;;) {
            const std::string* line = cursor.next();
            if (!line || *line != kStart || !cursor.skip(2)) break;
            result.objects.emplace_back();
            if (!readObject(result.objects.back())) break;
        }
        return std::move(result);
    }

private:
    // False when the file ended inside the object.
    bool readObject(ModelObject& object) {
        std::vector<IndexTriple> faceTexCoords;
        if (readSection<3>(cursor, kNext, result.transcript, [&](const std::string* const* l) {
                object.positions.push_back(scaledVec3(l));
            }) == SectionEnd::EndOfFile) {
            return false;
        }
        if (readSection<3>(cursor, kNext, result.transcript, [&](const std::string* const* l) {
                object.normals.push_back(scaledVec3(l));
            }) == SectionEnd::EndOfFile) {
            return false;
        }
        if (readSection<2>(cursor, kNext, result.transcript, [&](const std::string* const* l) {
                object.texCoords.push_back(ModelTexCoord{toFloat(parseModelReal(*l[0])), toFloat(parseModelReal(*l[1]))});
            }) == SectionEnd::EndOfFile) {
            return false;
        }
        if (readSection<3>(cursor, kNext, result.transcript, [&](const std::string* const* l) {
                faceTexCoords.push_back(IndexTriple{{truncatedIndex(*l[0]), truncatedIndex(*l[1]), truncatedIndex(*l[2])}});
            }) == SectionEnd::EndOfFile) {
            return false;
        }
        return readFaces(object, faceTexCoords);
    }

    // Faces up to "END". A face past the limits closes the object (the object loop goes on
    // at the next line); false when the file ended first.
    bool readFaces(ModelObject& object, const std::vector<IndexTriple>& faceTexCoords) {
        for (size_t faceIndex = 0;; ++faceIndex) {
            const std::string* first = cursor.next();
            if (!first) return false;
            if (*first == kEnd) return true;
            const std::string* second = cursor.next();
            const std::string* third = second ? cursor.next() : nullptr;
            if (!third) return false;
            ModelFace face;
            face.vertex[0] = parseModelInteger(*first);
            face.vertex[1] = parseModelInteger(*second);
            face.vertex[2] = parseModelInteger(*third);
            if (faceIndex >= kModelMaxFaces || pastVertexLimit(face)) {
                result.transcript += kTooManyVerts;
                return true;
            }
            addFace(object, face, faceIndex, faceTexCoords);
        }
    }

    static bool pastVertexLimit(const ModelFace& face) {
        for (int32_t v : face.vertex) {
            if (v >= kModelMaxVertexIndex) return true;
        }
        return false;
    }

    // Face i takes its texture-coordinate indices from entry i of the object's index table.
    void addFace(ModelObject& object, ModelFace face, size_t faceIndex, const std::vector<IndexTriple>& faceTexCoords) {
        bool valid = faceIndex < faceTexCoords.size();
        for (int corner = 0; valid && corner < 3; ++corner) {
            const int32_t v = face.vertex[corner];
            const int32_t t = faceTexCoords[faceIndex].index[corner];
            face.texCoord[corner] = t;
            valid = v >= 0 && static_cast<size_t>(v) < object.positions.size() &&
                    static_cast<size_t>(v) < object.normals.size() && t >= 0 &&
                    static_cast<size_t>(t) < object.texCoords.size();
        }
        if (valid) {
            object.faces.push_back(face);
            return;
        }
        if (result.skippedFaces++ == 0) {
            result.firstSkipped = "object " + std::to_string(result.objects.size()) + ", face " + std::to_string(faceIndex + 1);
        }
    }

    LineCursor cursor;
    ModelGeometry result;
};

}  // namespace

std::vector<std::string> splitModelLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string piece;
    const size_t limit = kModelLineBuffer - 1;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // Text mode: CR LF is a line feed.
        const bool lineFeed = c == '\n' || (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
        if (lineFeed) {
            if (c == '\r') ++i;
            lines.push_back(piece.substr(0, piece.find('\0')));
            piece.clear();
            continue;
        }
        piece.push_back(c);
        if (piece.size() == limit) {
            lines.push_back(piece.substr(0, piece.find('\0')));
            piece.clear();
        }
    }
    if (!piece.empty()) lines.push_back(piece.substr(0, piece.find('\0')));
    return lines;
}

double parseModelReal(const std::string& line) {
    const size_t begin = skipBlanks(line, 0);
    const size_t end = decimalEnd(line, begin);
    if (end == begin) return 0.0;
    const std::string number = line.substr(begin, end - begin);
    return strtod_l(number.c_str(), nullptr, cLocale());
}

int32_t parseModelInteger(const std::string& line) {
    size_t i = skipBlanks(line, 0);
    const bool negative = i < line.size() && line[i] == '-';
    i = skipSign(line, i);
    int64_t value = 0;
    for (; i < line.size() && isDigit(line[i]); ++i) {
        value = value * 10 + (line[i] - '0');
        if (value > INT32_MAX) {
            return negative ? INT32_MIN : INT32_MAX;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

ModelTextureList scanModelTextures(const std::vector<std::string>& lines) {
    ModelTextureList result;
    LineCursor cursor(lines);
    for (;;) {
        const std::string* line = cursor.next();
        if (!line || *line != kStart || !cursor.next()) break;
        const std::string* texture = cursor.next();
        if (!texture) break;
        if (result.textures.size() == kModelMaxObjects) {
            result.fault = ModelTextureFault::TooManyObjects;
            break;
        }
        if (*texture == kSameTexture && result.textures.empty()) {
            result.fault = ModelTextureFault::FirstTextureMissing;
            break;
        }
        result.textures.push_back(*texture);
        do {
            line = cursor.next();
        } while (line && *line != kEnd);
        if (!line) break;
    }
    return result;
}

ModelGeometry parseModelGeometry(const std::vector<std::string>& lines) { return GeometryPass(lines).run(); }
