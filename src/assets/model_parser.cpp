#include "assets/model_parser.h"

#include <locale.h>
#include <stdlib.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

const char kStart[] = "START";
const char kNext[] = "NEXT";
const char kEnd[] = "END";
const char kSameTexture[] = "xxx";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool is(const char* line, const char* keyword) { return std::strcmp(line, keyword) == 0; }

const char* skipBlanks(const char* s) {
    while (isBlank(*s)) ++s;
    return s;
}

const char* skipDigits(const char* s) {
    while (isDigit(*s)) ++s;
    return s;
}

const char* skipSign(const char* s) { return *s == '+' || *s == '-' ? s + 1 : s; }

// End of the longest decimal number starting at begin, or begin when there is none.
const char* decimalEnd(const char* begin) {
    const char* intStart = skipSign(begin);
    const char* s = skipDigits(intStart);
    bool digits = s > intStart;
    if (*s == '.') {
        const char* fraction = s + 1;
        s = skipDigits(fraction);
        digits = digits || s > fraction;
    }
    if (!digits) return begin;
    if (*s == 'e' || *s == 'E') {
        const char* expStart = skipSign(s + 1);
        const char* expEnd = skipDigits(expStart);
        if (expEnd > expStart) s = expEnd;
    }
    return s;
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Values beyond float's range become infinities rather than an undefined conversion.
float toFloat(double value) {
    if (value > FLT_MAX) return HUGE_VALF;
    if (value < -FLT_MAX) return -HUGE_VALF;
    return static_cast<float>(value);
}

float texCoordValue(const char* line) { return toFloat(parseModelReal(line)); }

// A real number truncated toward zero; values no int32 holds become INT32_MIN (never valid).
int32_t truncatedIndex(const char* line) {
    const double value = std::trunc(parseModelReal(line));
    if (!(value >= INT32_MIN && value <= INT32_MAX)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

enum class SectionEnd { Keyword, Overflow, EndOfFile };

struct IndexTriple {
    int32_t index[3];
};

class GeometryPass {
  public:
    GeometryPass(FILE* file, const ModelObjectSink& sink, const ModelLineWatch& watch)
        : lines(file), sink(sink), watch(watch) {}

    ModelGeometry run() {
        for (;;) {
            const char* line = lines.next();
            if (!line) break;
            if (!is(line, kStart)) {
                note(ModelLineRole::NotStart, line);
                result.stoppedAt = lines.lineNumber();
                break;
            }
            note(ModelLineRole::Start, line);
            if (!next(ModelLineRole::FreeText) || !next(ModelLineRole::Texture)) {
                endedInside(result.objectCount + 1);
                break;
            }
            clearObject();
            const bool whole = readObject();
            sink(object, result.objectCount++);
            if (!whole) {
                endedInside(result.objectCount);
                break;
            }
        }
        return std::move(result);
    }

  private:
    void endedInside(size_t objectNumber) {
        result.endedInsideAt = lines.lineNumber();
        result.endedInsideObject = objectNumber;
    }

    void note(ModelLineRole role, const char* text = nullptr) {
        if (watch) watch(role, lines, text);
    }

    const char* next(ModelLineRole role) {
        const char* line = lines.next();
        if (line) note(role, line);
        return line;
    }

    void clearObject() {
        object.positions.clear();
        object.normals.clear();
        object.texCoords.clear();
        object.faces.clear();
        faceTexCoords.clear();
    }

    // Reads entries of `width` lines, each converted as it is read, until the section's
    // "NEXT". The entry after the table is full is read, not stored, counted as "too many
    // verts", and ends the section.
    template <size_t width, typename Value, typename Convert, typename Store>
    SectionEnd readSection(ModelLineRole role, Convert convert, Store store) {
        for (size_t stored = 0;; ++stored) {
            const char* line = lines.next();
            if (!line) return SectionEnd::EndOfFile;
            if (is(line, kNext)) {
                note(ModelLineRole::SectionEnd, line);
                return SectionEnd::Keyword;
            }
            note(role, line);
            Value values[width];
            values[0] = convert(line);
            for (size_t i = 1; i < width; ++i) {
                if (!(line = next(role))) return SectionEnd::EndOfFile;
                values[i] = convert(line);
            }
            if (stored >= kModelMaxEntries) {
                ++result.tooManyVerts;
                note(ModelLineRole::TooManyEntries);
                return SectionEnd::Overflow;
            }
            store(values);
        }
    }

    // False when the file ended inside the object.
    bool readObject() {
        const auto addPosition = [this](const float* v) {
            object.positions.push_back(Vec3{v[0], v[1], v[2]});
        };
        const auto addNormal = [this](const float* v) {
            object.normals.push_back(Vec3{v[0], v[1], v[2]});
        };
        const auto addTexCoord = [this](const float* v) {
            object.texCoords.push_back(ModelTexCoord{v[0], v[1]});
        };
        const auto addIndices = [this](const int32_t* t) {
            faceTexCoords.push_back(IndexTriple{{t[0], t[1], t[2]}});
        };
        using Role = ModelLineRole;
        return readSection<3, float>(Role::Position, parseModelCoordinate, addPosition) !=
                   SectionEnd::EndOfFile &&
               readSection<3, float>(Role::Normal, parseModelCoordinate, addNormal) !=
                   SectionEnd::EndOfFile &&
               readSection<2, float>(Role::TexCoord, texCoordValue, addTexCoord) !=
                   SectionEnd::EndOfFile &&
               readSection<3, int32_t>(Role::TexCoordIndex, truncatedIndex, addIndices) !=
                   SectionEnd::EndOfFile &&
               readFaces();
    }

    // Faces up to "END". A face past the limits closes the object (the object loop goes on
    // at the next line); false when the file ended first.
    bool readFaces() {
        for (size_t faceIndex = 0;; ++faceIndex) {
            const char* line = lines.next();
            if (!line) return false;
            if (is(line, kEnd)) {
                note(ModelLineRole::End, line);
                return true;
            }
            note(ModelLineRole::FaceIndex, line);
            ModelFace face;
            for (int corner = 0; corner < 3; ++corner) {
                if (corner > 0 && !(line = next(ModelLineRole::FaceIndex))) return false;
                face.vertex[corner] = parseModelInteger(line);
            }
            if (faceIndex >= kModelMaxFaces || pastVertexLimit(face)) {
                ++result.tooManyVerts;
                note(faceIndex >= kModelMaxFaces ? ModelLineRole::TooManyFaces
                                                 : ModelLineRole::IndexPastLimit);
                return true;
            }
            addFace(face, faceIndex);
        }
    }

    static bool pastVertexLimit(const ModelFace& face) {
        for (int32_t v : face.vertex) {
            if (v >= kModelMaxVertexIndex) return true;
        }
        return false;
    }

    // Face i takes its texture-coordinate indices from entry i of the object's index table.
    bool insideObject(ModelFace& face, size_t faceIndex) const {
        if (faceIndex >= faceTexCoords.size()) return false;
        for (int corner = 0; corner < 3; ++corner) {
            const int32_t v = face.vertex[corner];
            const int32_t t = faceTexCoords[faceIndex].index[corner];
            face.texCoord[corner] = t;
            if (v < 0 || static_cast<size_t>(v) >= object.positions.size() ||
                static_cast<size_t>(v) >= object.normals.size() || t < 0 ||
                static_cast<size_t>(t) >= object.texCoords.size()) {
                return false;
            }
        }
        return true;
    }

    bool finiteCorners(const ModelFace& face) const {
        for (int corner = 0; corner < 3; ++corner) {
            const ModelTexCoord& t = object.texCoords[static_cast<size_t>(face.texCoord[corner])];
            if (!isFinite(object.positions[static_cast<size_t>(face.vertex[corner])]) ||
                !isFinite(object.normals[static_cast<size_t>(face.vertex[corner])]) ||
                !std::isfinite(t.u) || !std::isfinite(t.v)) {
                return false;
            }
        }
        return true;
    }

    void addFace(ModelFace face, size_t faceIndex) {
        if (!insideObject(face, faceIndex)) {
            result.outsideObject.add(result.objectCount, faceIndex, lines.lineNumber());
        } else if (!finiteCorners(face)) {
            result.notFinite.add(result.objectCount, faceIndex, lines.lineNumber());
        } else {
            object.faces.push_back(face);
        }
    }

    ModelLineReader lines;
    const ModelObjectSink& sink;
    const ModelLineWatch& watch;
    ModelObject object;
    std::vector<IndexTriple> faceTexCoords;
    ModelGeometry result;
};

}  // namespace

const char* ModelLineReader::next() {
    const size_t at = nextLine;
    const bool piece = midLine;
    size_t length = 0;
    bool lineEnd = false;
    while (length < kModelLineBuffer - 1) {
        int c = getc_unlocked(file);
        if (c == EOF) break;
        // Text mode: CR LF is a line feed; a lone CR stays in the line.
        if (c == '\r') {
            const int following = getc_unlocked(file);
            if (following == '\n') {
                c = '\n';
            } else if (following != EOF) {
                std::ungetc(following, file);
            }
        }
        if (c == '\n') {
            lineEnd = true;
            break;
        }
        buf[length++] = static_cast<char>(c);
    }
    buf[length] = '\0';
    if (!lineEnd && (length == 0 || std::ferror(file))) return nullptr;
    line = at;
    continuing = piece;
    // A full buffer leaves the rest of the line for the next call.
    midLine = !lineEnd && length == kModelLineBuffer - 1;
    if (lineEnd) ++nextLine;
    return buf;
}

bool ModelLineReader::skip(size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (!next()) return false;
    }
    return true;
}

double parseModelReal(const char* line) {
    const char* begin = skipBlanks(line);
    const char* end = decimalEnd(begin);
    if (end == begin) return 0.0;
    // Only the decimal prefix is handed on: strtod would also take "0x1p3" or "infinity".
    const std::string number(begin, end);
    return strtod_l(number.c_str(), nullptr, cLocale());
}

bool startsWithModelNumber(const char* line) {
    const char* begin = skipBlanks(line);
    return decimalEnd(begin) != begin;
}

int32_t parseModelInteger(const char* line) {
    const char* s = skipBlanks(line);
    const bool negative = *s == '-';
    int64_t value = 0;
    for (s = skipSign(s); isDigit(*s); ++s) {
        value = value * 10 + (*s - '0');
        if (value > INT32_MAX) return negative ? INT32_MIN : INT32_MAX;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

float parseModelCoordinate(const char* line) {
    return static_cast<float>(static_cast<double>(toFloat(parseModelReal(line))) * 0.01);
}

void ModelSkippedFaces::add(size_t object, size_t face, size_t faceLine) {
    if (count == 0) {
        first = "object " + std::to_string(object + 1) + ", face " + std::to_string(face + 1);
        line = faceLine;
    }
    if (count < INT32_MAX) ++count;
}

ModelTextureList scanModelTextures(FILE* file) {
    ModelTextureList result;
    ModelLineReader lines(file);
    for (;;) {
        const char* line = lines.next();
        if (!line || !is(line, kStart) || !lines.next()) break;
        const char* texture = lines.next();
        if (!texture) break;
        if (result.textures.size() == kModelMaxObjects) {
            result.fault = ModelTextureFault::TooManyObjects;
        } else if (is(texture, kSameTexture) && result.textures.empty()) {
            result.fault = ModelTextureFault::FirstTextureMissing;
        }
        if (result.fault != ModelTextureFault::None) {
            result.faultLine = lines.lineNumber();
            break;
        }
        result.textures.emplace_back(texture);
        result.lines.push_back(lines.lineNumber());
        do {
            line = lines.next();
        } while (line && !is(line, kEnd));
        if (!line) break;
    }
    return result;
}

ModelGeometry parseModelGeometry(FILE* file, const ModelObjectSink& sink,
                                 const ModelLineWatch& watch) {
    return GeometryPass(file, sink, watch).run();
}
