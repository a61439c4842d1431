#include "pack/model_check.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>

#include "assets/model_parser.h"
#include "pack/pack_check.h"
#include "platform/files.h"
#include "world/track.h"

namespace {

// More value lines than this beyond the float range are counted, not listed.
constexpr size_t kListedValues = 5;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// The keyword that text is exactly, or spells in other letter case or with blanks around it
// (which the readers do not take for it); nullptr for other text.
const char* keywordLike(const char* text, bool& exact) {
    static const char* const keywords[] = {"START", "NEXT", "END", "xxx"};
    std::string core(text);
    while (!core.empty() && isBlank(core.back())) core.pop_back();
    const size_t begin = std::min(core.size(), core.find_first_not_of(" \t\r\v\f"));
    core.erase(0, begin);
    for (const char* keyword : keywords) {
        exact = std::strcmp(text, keyword) == 0;
        if (exact || sameButLetterCase(core, keyword)) return keyword;
    }
    return nullptr;
}

std::string notKeyword(const char* text, const char* keyword) {
    return quoted(text) + " is not the keyword " + keyword +
           " (keywords are exact, in their own letter case, with nothing around them)";
}

const char* tableName(ModelLineRole role) {
    switch (role) {
        case ModelLineRole::Position:
            return "positions";
        case ModelLineRole::Normal:
            return "normals";
        case ModelLineRole::TexCoord:
            return "texture coordinates";
        case ModelLineRole::TexCoordIndex:
            return "texture-coordinate indices";
        default:
            return "faces";
    }
}

bool isValue(ModelLineRole role) {
    return role == ModelLineRole::Position || role == ModelLineRole::Normal ||
           role == ModelLineRole::TexCoord || role == ModelLineRole::TexCoordIndex ||
           role == ModelLineRole::FaceIndex;
}

// Looks at every line the geometry pass reads, in the role the pass gives it.
class LineInspector {
  public:
    explicit LineInspector(Findings& findings) : findings(findings) {}

    void see(ModelLineRole role, const ModelLineReader& lines, const char* text) {
        const size_t line = lines.lineNumber();
        // The rest of a long line is reported as such, not as the value it happens to hold.
        if (text && lines.continued() && line != lastLongLine) longLine(line);
        if (text && isValue(role) && !lines.continued()) value(role, line, text);
        switch (role) {
            case ModelLineRole::Start:
                ++object;
                break;
            case ModelLineRole::NotStart:
                stopText = text;
                break;
            case ModelLineRole::Texture:
                texture(line, text);
                break;
            case ModelLineRole::TooManyEntries:
                findings.error(line, "too many entries",
                               objectName() + " holds more than 3000 " + tableName(lastRole) +
                                   " (\"too many verts\"): this entry is left out, the section "
                                   "ends here, and the rest of it, up to its NEXT, is read as "
                                   "the next section");
                break;
            case ModelLineRole::TooManyFaces:
            case ModelLineRole::IndexPastLimit:
                closedEarly = true;
                findings.error(line, "past the limits",
                               objectName() +
                                   (role == ModelLineRole::TooManyFaces
                                        ? " has more than 3000 faces"
                                        : ": this face names a vertex index of 3000 or more") +
                                   " (\"too many verts\"): the face is not drawn, and nothing "
                                   "after it in the file is");
                break;
            default:
                break;
        }
        if (text) lastRole = role;
    }

    // Once the pass is done: faces it left out, where and how the model ended, then the
    // rest of the file, read from where the pass stopped.
    void finish(const ModelGeometry& geometry, bool numbersUsed, FILE* file) {
        reportValues(numbersUsed || geometry.notFinite.count > 0, geometry.notFinite);
        const ModelSkippedFaces& outside = geometry.outsideObject;
        if (outside.count > 0) {
            findings.error(outside.line, "left out",
                           "faces left out for naming an entry their object does not hold: " +
                               std::to_string(outside.count) + " (the first: " + outside.first +
                               ")");
        }
        if (geometry.endedInsideAt > 0) {
            findings.error(geometry.endedInsideAt, "ends inside",
                           "the file ends inside object " +
                               std::to_string(geometry.endedInsideObject) +
                               ", before its END: the demo keeps what it read and warns");
        }
        if (geometry.stoppedAt > 0 && !closedEarly) afterTheEnd(geometry.stoppedAt, file);
    }

  private:
    std::string objectName() const { return "object " + std::to_string(object); }

    void longLine(size_t line) {
        lastLongLine = line;
        findings.error(
            line, "long line",
            std::string("the line is longer than the 254 characters the readers take "
                        "at once: its rest is read as a line of its own") +
                (lastRole == ModelLineRole::Texture ? ", cutting the texture path in two" : "") +
                ", and the lines after it are misread");
    }

    void texture(size_t line, const char* text) {
        bool exact = false;
        const char* keyword = keywordLike(text, exact);
        if (keyword && !exact && std::strcmp(keyword, "xxx") == 0) {
            findings.error(line, "look-alike",
                           notKeyword(text, keyword) + ": it is taken as a bitmap's name");
        }
    }

    void value(ModelLineRole role, size_t line, const char* text) {
        bool exact = false;
        if (const char* keyword = keywordLike(text, exact)) {
            const std::string what =
                exact ? std::string(keyword) + " where a number is due" : notKeyword(text, keyword);
            findings.error(line, "keyword as a number",
                           what + ": it is read as 0 among " + objectName() + "'s " +
                               tableName(role) + ", and the lines after it are misread");
            return;
        }
        if (!startsWithModelNumber(text)) {
            findings.warning(line, "no number", quoted(text) + " holds no number: it is read as 0");
            return;
        }
        if (role == ModelLineRole::FaceIndex || role == ModelLineRole::TexCoordIndex) return;
        if (std::fabs(parseModelReal(text)) <= FLT_MAX) return;
        if (valueLines.size() < kListedValues) valueLines.emplace_back(line, text);
        ++valueCount;
    }

    // Numbers beyond the float range are faults where a face uses them (it is left out).
    void reportValues(bool used, const ModelSkippedFaces& faces) {
        for (const auto& [line, text] : valueLines) {
            const std::string number = quoted(text) + " is beyond the 32-bit float range";
            if (used) {
                findings.error(line, "beyond float",
                               number + ": faces that use it are left out (" +
                                   counted(faces.count, "face", "faces") + ", the first: " +
                                   (faces.count > 0 ? faces.first : "on the track's surface") +
                                   ")");
            } else {
                findings.warning(line, "beyond float", number + " (no face uses it)");
            }
        }
        if (valueCount > valueLines.size()) {
            findings.add(used ? Severity::Error : Severity::Warning, valueLines.back().first,
                         "beyond float",
                         std::to_string(valueCount - valueLines.size()) +
                             " more numbers beyond the 32-bit float range follow");
        }
    }

    // The model ended at line `stop`, where a START was due; what comes after it is never read.
    void afterTheEnd(size_t stop, FILE* file) {
        bool exact = false;
        const char* keyword = keywordLike(stopText.c_str(), exact);
        if (keyword && std::strcmp(keyword, "START") == 0) {
            findings.error(stop, "model end",
                           notKeyword(stopText.c_str(), keyword) +
                               ": the model ends here and the rest of the file is never read");
            return;
        }
        if (object == 0) {
            findings.error(stop, "model end",
                           "the file does not begin with START: nothing of it is drawn");
            return;
        }
        ModelLineReader rest(file);
        size_t objectLine = 0;
        bool blank = stopText.find_first_not_of(" \t\r\v\f") == std::string::npos;
        while (const char* line = rest.next()) {
            if (objectLine == 0 && std::strcmp(line, "START") == 0)
                objectLine = stop + rest.lineNumber();
            blank = blank && std::string(line).find_first_not_of(" \t\r\v\f") == std::string::npos;
        }
        if (objectLine > 0) {
            findings.error(stop, "model end",
                           "the model ends here, where " + objectName() +
                               "'s END should be followed by START: the objects from line " +
                               std::to_string(objectLine) + " on are never read");
        } else if (!blank) {
            findings.warning(stop, "model end",
                             "the model ends before this line: the rest of the file is never read");
        }
    }

    Findings& findings;
    size_t object = 0;
    ModelLineRole lastRole = ModelLineRole::Start;
    bool closedEarly = false;
    size_t lastLongLine = 0;
    std::string stopText;
    std::vector<std::pair<size_t, std::string>> valueLines;
    size_t valueCount = 0;
};

const char* textureFaultText(ModelTextureFault fault) {
    return fault == ModelTextureFault::TooManyObjects
               ? "a model holds at most 100 objects; the demo stops at this 101st (\"too many "
                 "textures for this object\")"
               : "the first object's texture is \"xxx\" (the previous object's), but there is none "
                 "before it; the demo stops here (\"at least first texture needs to be "
                 "specified!\")";
}

// Each bitmap a model names must open; the demo stops at the first that does not.
void checkTextureLines(const ModelTextureList& list, Findings& findings, TextureList& textures) {
    for (size_t i = 0; i < list.textures.size(); ++i) {
        const std::string& texture = list.textures[i];
        bool exact = false;
        if (keywordLike(texture.c_str(), exact)) continue;  // "xxx", or reported as its look-alike
        const std::string shown = shownName(texture.c_str());
        if (std::find(textures.tried.begin(), textures.tried.end(), shown) != textures.tried.end())
            continue;
        textures.tried.push_back(shown);
        const int fd = openPackFile(texture.c_str(), findings, Severity::Error, list.lines[i],
                                    quoted(texture) + ": ", "the demo stops at this texture");
        if (fd < 0) continue;
        close(fd);
        textures.names.push_back(shown);
    }
}

// Both passes of the drawing loader over one model file. numbersUsed: the track's reader
// has left out a triangle for a number beyond the float range.
ModelGeometry readModel(FILE* file, Findings& findings, TextureList& textures, bool numbersUsed) {
    const ModelTextureList list = scanModelTextures(file);
    if (list.fault != ModelTextureFault::None)
        findings.error(list.faultLine, "texture pass", textureFaultText(list.fault));
    checkTextureLines(list, findings, textures);
    std::rewind(file);
    LineInspector inspector(findings);
    const ModelGeometry geometry = parseModelGeometry(
        file, [](const ModelObject&, size_t) {},
        [&inspector](ModelLineRole role, const ModelLineReader& lines, const char* text) {
            inspector.see(role, lines, text);
        });
    if (geometry.objectCount > list.textures.size() && list.fault == ModelTextureFault::None) {
        findings.error(0, "no texture",
                       "the texture pass finds " + std::to_string(list.textures.size()) +
                           " objects and the drawing " + std::to_string(geometry.objectCount) +
                           ": the objects from " + std::to_string(list.textures.size() + 1) +
                           " on have no texture of their own and are left out");
    }
    inspector.finish(geometry, numbersUsed, file);
    if (std::ferror(file))
        findings.error(0, "read error", std::string("cannot be read: ") + std::strerror(errno));
    if (geometry.objectCount == 0 && geometry.stoppedAt == 0 && geometry.endedInsideAt == 0)
        findings.error(0, "no object", "the file is empty: nothing of it is drawn");
    return geometry;
}

FILE* openModel(const char* name, Findings& findings) {
    findings.beginFile(shownName(name));
    const int fd = openPackFile(name, findings, Severity::Error, 0, "", "the demo stops here");
    if (fd < 0) return nullptr;
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

}  // namespace

void checkModel(const char* name, Findings& findings, TextureList& textures) {
    FILE* file = openModel(name, findings);
    if (!file) return;
    readModel(file, findings, textures, false);
    std::fclose(file);
}

void checkTrackModel(const char* name, Findings& findings, TextureList& textures, Track& track) {
    FILE* file = openModel(name, findings);
    if (!file) return;
    TrackReading reading;
    track.loadTriangles(name, reading);
    const ModelGeometry geometry = readModel(file, findings, textures, reading.notFinite.count > 0);
    std::fclose(file);
    if (reading.pastTable.count > 0) {
        findings.error(reading.pastTable.line, "surface",
                       "the track's surface holds 3000 triangles: " +
                           counted(reading.pastTable.count, "face", "faces") + " from here on (" +
                           reading.pastTable.first + ") are drawn, but no car can drive on them");
    }
    // The drawing loader has said so where it left out the same faces.
    if (reading.outsideObject.count > 0 &&
        reading.outsideObject.line != geometry.outsideObject.line) {
        findings.error(
            reading.outsideObject.line, "surface",
            "faces left out of the track's surface for naming a vertex their object does not "
            "hold: " +
                std::to_string(reading.outsideObject.count) +
                " (the first: " + reading.outsideObject.first + ")");
    }
    if (track.triangleCount == 0)
        findings.error(0, "surface",
                       "the track holds no triangle: the cars have no surface to drive on");
}
