// pack: a folder written by extract, read back into a character; every value checked.

#include <QByteArray>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cmath>
#include <map>

#include "acs/writer.h"
#include "cli.h"
#include "files/regularfile.h"
#include "manifest.h"

namespace vistrel::acstool {

namespace fs = std::filesystem;

using manifest::colorTable;
using manifest::report;
using manifest::u16;

// The largest manifest and picture files pack reads.
constexpr std::uint64_t kMaxManifestFileBytes = std::uint64_t{64} << 20;
constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t{64} << 20;

QList<QRgb> manifest::colorTable(const acs::CharacterInfo& info) {
    QList<QRgb> table(256, qRgb(0, 0, 0));
    for (std::size_t i = 0; i < info.palette.size(); ++i) {
        const acs::Rgb& c = info.palette[i];
        table[static_cast<qsizetype>(i)] = qRgb(c.r, c.g, c.b);
    }
    const QRgb t = table[info.transparentIndex];
    table[info.transparentIndex] = qRgba(qRed(t), qGreen(t), qBlue(t), 0);
    return table;
}

// ---------------------------------------------------------------------------------------------
// Reading a manifest back. Every value is checked; errors name the JSON path.

namespace {

class Json {
  public:
    Json(QJsonValue value, std::string path) : v_(std::move(value)), path_(std::move(path)) {}

    [[noreturn]] void fail(const std::string& what) const {
        throw acs::Error("manifest: " + path_ + ": " + what);
    }
    bool has(const char* key) const { return v_.isObject() && v_.toObject().contains(key); }
    Json operator[](const char* key) const {
        if (!v_.isObject()) {
            fail("expected an object");
        }
        QJsonObject o = v_.toObject();
        if (!o.contains(key)) {
            fail(std::string("missing \"") + key + "\"");
        }
        return Json(o.value(key), path_ + "." + key);
    }
    std::vector<Json> items() const {
        if (!v_.isArray()) {
            fail("expected an array");
        }
        std::vector<Json> out;
        const QJsonArray a = v_.toArray();
        for (qsizetype i = 0; i < a.size(); ++i) {
            out.emplace_back(a.at(i), path_ + "[" + std::to_string(i) + "]");
        }
        return out;
    }
    std::int64_t integer(std::int64_t min, std::int64_t max) const {
        double d = v_.toDouble(std::nan(""));
        if (!v_.isDouble() || d != std::floor(d) || d < static_cast<double>(min) ||
            d > static_cast<double>(max)) {
            fail("expected an integer from " + std::to_string(min) + " to " + std::to_string(max));
        }
        return static_cast<std::int64_t>(d);
    }
    template <typename T>
    T as() const {
        return static_cast<T>(
            integer(std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    }
    bool boolean() const {
        if (!v_.isBool()) {
            fail("expected true or false");
        }
        return v_.toBool();
    }
    QString string() const {
        if (!v_.isString()) {
            fail("expected a string");
        }
        return v_.toString();
    }
    std::u16string text() const { return u16(string()); }
    acs::Guid guid() const {
        auto g = acs::Guid::parse(string().toStdString());
        if (!g) {
            fail("expected a GUID");
        }
        return *g;
    }
    acs::Rgb color() const {
        const QString s = string();
        bool ok = s.size() == 7 && s[0] == '#';
        const uint v = ok ? s.mid(1).toUInt(&ok, 16) : 0;
        if (!ok) {
            fail("expected a colour #RRGGBB");
        }
        return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
                static_cast<std::uint8_t>(v)};
    }
    std::vector<std::uint8_t> bytes() const {
        auto decoded = QByteArray::fromBase64Encoding(string().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) {
            fail("expected base64 data");
        }
        const QByteArray& b = decoded.decoded;
        return {b.begin(), b.end()};
    }
    std::pair<std::uint16_t, std::uint16_t> version() const {
        const QStringList parts = string().split('.');
        bool ok1 = false, ok2 = false;
        uint major = parts.size() == 2 ? parts[0].toUInt(&ok1) : 0;
        uint minor = parts.size() == 2 ? parts[1].toUInt(&ok2) : 0;
        if (!ok1 || !ok2 || major > 0xFFFF || minor > 0xFFFF) {
            fail("expected a version MAJOR.MINOR");
        }
        return {static_cast<std::uint16_t>(major), static_cast<std::uint16_t>(minor)};
    }
    // A file named relative to the manifest's folder, which it may not leave.
    fs::path file(const fs::path& base) const {
        const fs::path rel = fs::path(string().toStdString()).lexically_normal();
        if (rel.empty() || rel.is_absolute() || *rel.begin() == "..") {
            fail("file names must stay inside the manifest's folder");
        }
        return base / rel;
    }
    const std::string& path() const { return path_; }

  private:
    QJsonValue v_;
    std::string path_;
};

// Maps a picture onto the palette: an indexed PNG with the character's colours keeps its
// indices; anything else goes by colour (alpha below half is transparent).
acs::Image readPng(const fs::path& path, const acs::CharacterInfo& info, const Json& where) {
    QImage q;
    QByteArray bytes;
    try {
        bytes = files::read<QByteArray>(path, kMaxPictureFileBytes);
    } catch (const files::Error& e) {
        where.fail(std::string("cannot read the picture: ") + e.what());
    }
    if (!q.loadFromData(bytes)) {
        where.fail("cannot read the picture " + path.string());
    }
    if (q.width() > acs::kMaxImageSide || q.height() > acs::kMaxImageSide) {
        where.fail("picture larger than " + std::to_string(acs::kMaxImageSide));
    }
    acs::Image img;
    img.width = static_cast<std::uint16_t>(q.width());
    img.height = static_cast<std::uint16_t>(q.height());
    img.pixels.resize(static_cast<std::size_t>(img.width) * img.height);
    if (q.format() == QImage::Format_Indexed8) {
        const QList<QRgb> table = q.colorTable();
        bool same = table.size() >= static_cast<qsizetype>(info.palette.size());
        for (std::size_t i = 0; same && i < info.palette.size(); ++i) {
            const QRgb c = table[static_cast<qsizetype>(i)];
            const acs::Rgb& p = info.palette[i];
            same = qRed(c) == p.r && qGreen(c) == p.g && qBlue(c) == p.b;
        }
        if (same) {
            for (int y = 0; y < q.height(); ++y) {
                std::copy_n(q.constScanLine(y), img.width,
                            img.pixels.data() + static_cast<std::size_t>(y) * img.width);
            }
            return img;
        }
    }
    const QImage argb = q.convertToFormat(QImage::Format_ARGB32);
    std::map<QRgb, std::uint8_t> cache;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb c = line[x];
            std::uint8_t index = info.transparentIndex;
            if (qAlpha(c) >= 128) {
                const QRgb key = c | 0xFF000000u;
                auto it = cache.find(key);
                if (it == cache.end()) {
                    int best = -1;
                    long bestDist = 0;
                    for (std::size_t i = 0; i < info.palette.size(); ++i) {
                        if (i == info.transparentIndex) {
                            continue;
                        }
                        const acs::Rgb& p = info.palette[i];
                        long dr = qRed(c) - p.r, dg = qGreen(c) - p.g, db = qBlue(c) - p.b;
                        long d = dr * dr + dg * dg + db * db;
                        if (best < 0 || d < bestDist) {
                            best = static_cast<int>(i);
                            bestDist = d;
                        }
                    }
                    if (best < 0) {
                        where.fail("the palette has no opaque colour");
                    }
                    it = cache.emplace(key, static_cast<std::uint8_t>(best)).first;
                }
                index = it->second;
            }
            img.pixels[static_cast<std::size_t>(y) * img.width + x] = index;
        }
    }
    return img;
}

acs::Frame readFrame(const Json& j) {
    acs::Frame f;
    f.duration = j["duration"].as<std::uint16_t>();
    f.sound = static_cast<std::int32_t>(j["sound"].integer(-1, 0xFFFE));
    f.exitBranch = j["exitBranch"].as<std::int16_t>();
    for (const Json& i : j["images"].items()) {
        f.images.push_back(
            {i["image"].as<std::uint32_t>(), i["x"].as<std::int16_t>(), i["y"].as<std::int16_t>()});
    }
    for (const Json& b : j["branches"].items()) {
        f.branches.push_back(
            {b["frame"].as<std::uint16_t>(), b["probability"].as<std::uint16_t>()});
    }
    for (const Json& o : j["overlays"].items()) {
        acs::Overlay ov;
        ov.shape = o["shape"].as<std::uint8_t>();
        ov.replaceTopImage = o["replaceTopImage"].boolean();
        ov.image = o["image"].as<std::uint16_t>();
        ov.unknown = o["unknown"].as<std::uint8_t>();
        ov.x = o["x"].as<std::int16_t>();
        ov.y = o["y"].as<std::int16_t>();
        ov.centerX = o["centerX"].as<std::uint16_t>();
        ov.centerY = o["centerY"].as<std::uint16_t>();
        if (o.has("region")) {
            ov.region = o["region"].bytes();
        }
        f.overlays.push_back(std::move(ov));
    }
    return f;
}

}  // namespace

acs::CharacterData loadManifest(const fs::path& manifest, const Progress& progress) {
    QByteArray text;
    try {
        text = files::read<QByteArray>(manifest, kMaxManifestFileBytes);
    } catch (const files::Error& e) {
        throw acs::Error(e.what());
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &parseError);
    if (doc.isNull()) {
        throw acs::Error("manifest: " + manifest.string() +
                             " is not valid JSON: " + parseError.errorString().toStdString(),
                         static_cast<std::uint64_t>(parseError.offset));
    }
    const fs::path base = manifest.parent_path();
    const Json root(doc.object(), "$");
    if (root["format"].string() != manifest::kFormat) {
        root.fail(std::string("not a character manifest (\"format\" is not \"") +
                  manifest::kFormat + "\")");
    }
    if (root["formatVersion"].integer(0, 1000) != manifest::kVersion) {
        root.fail("unsupported manifest version");
    }
    acs::CharacterData data;
    acs::CharacterInfo& info = data.info;
    std::tie(info.majorVersion, info.minorVersion) = root["fileVersion"].version();
    info.guid = root["guid"].guid();
    info.width = static_cast<std::uint16_t>(root["width"].integer(1, acs::kMaxImageSide));
    info.height = static_cast<std::uint16_t>(root["height"].integer(1, acs::kMaxImageSide));
    info.transparentIndex = root["transparentIndex"].as<std::uint8_t>();
    info.flags = root["flags"].as<std::uint32_t>();
    std::tie(info.animationSetMajor, info.animationSetMinor) =
        root["animationSetVersion"].version();
    if (root.has("voice")) {
        const Json v = root["voice"];
        acs::VoiceInfo voice;
        voice.engine = v["engine"].guid();
        voice.mode = v["mode"].guid();
        voice.speed = v["speed"].as<std::uint32_t>();
        voice.pitch = v["pitch"].as<std::uint16_t>();
        if (v.has("extra")) {
            const Json e = v["extra"];
            voice.extra = acs::VoiceExtra{e["language"].as<std::uint16_t>(), e["dialect"].text(),
                                          e["gender"].as<std::uint16_t>(),
                                          e["age"].as<std::uint16_t>(), e["style"].text()};
        }
        info.voice = voice;
    }
    if (root.has("balloon")) {
        const Json b = root["balloon"];
        acs::BalloonInfo balloon;
        balloon.lines = b["lines"].as<std::uint8_t>();
        balloon.charsPerLine = b["charsPerLine"].as<std::uint8_t>();
        balloon.text = b["textColor"].color();
        balloon.background = b["backgroundColor"].color();
        balloon.border = b["borderColor"].color();
        balloon.fontName = b["fontName"].text();
        balloon.fontHeight = b["fontHeight"].as<std::int32_t>();
        balloon.fontWeight = b["fontWeight"].as<std::int32_t>();
        balloon.italic = b["italic"].boolean();
        balloon.unknown = b["unknown"].as<std::uint8_t>();
        info.balloon = balloon;
    }
    for (const Json& c : root["palette"].items()) {
        info.palette.push_back(c.color());
    }
    if (info.palette.size() > acs::kMaxPaletteSize) {
        root.fail("the palette has more than 256 colours");
    }
    if (root.has("trayIcon")) {
        info.trayIcon =
            acs::TrayIcon{root["trayIcon"]["mask"].bytes(), root["trayIcon"]["color"].bytes()};
    }
    for (const Json& l : root["localized"].items()) {
        info.localized.push_back({l["language"].as<std::uint16_t>(), l["name"].text(),
                                  l["description"].text(), l["extra"].text()});
    }
    for (const Json& s : root["states"].items()) {
        acs::State state;
        state.name = s["name"].text();
        for (const Json& a : s["animations"].items()) {
            state.animations.push_back(a.text());
        }
        info.states.push_back(std::move(state));
    }

    const std::vector<Json> images = root["images"].items();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Json& j = images[i];
        acs::ImageEntry entry;
        entry.checksum = j["checksum"].as<std::uint32_t>();
        if (j.has("file")) {
            entry.image = readPng(j["file"].file(base), info, j);
        }
        if (entry.image.width != j["width"].integer(0, acs::kMaxImageSide) ||
            entry.image.height != j["height"].integer(0, acs::kMaxImageSide)) {
            j.fail("the picture's size differs from the manifest's");
        }
        data.images.push_back(std::move(entry));
        report(progress, "images", i + 1, images.size());
    }
    for (const Json& s : root["sounds"].items()) {
        acs::Sound sound;
        sound.checksum = s["checksum"].as<std::uint32_t>();
        try {
            sound.wav = acs::readFile(s["file"].file(base));
        } catch (const acs::Error& e) {
            s.fail(e.what());
        }
        data.sounds.push_back(std::move(sound));
    }
    for (const Json& a : root["animations"].items()) {
        acs::Animation anim;
        anim.name = a["name"].text();
        anim.transition = a["transition"].as<std::uint8_t>();
        anim.returnAnimation = a["returnAnimation"].text();
        if (a.has("acaFile")) {
            anim.acaFileName = a["acaFile"].text();
            anim.acaChecksum = a["acaChecksum"].as<std::uint32_t>();
        }
        for (const Json& f : a["frames"].items()) {
            anim.frames.push_back(readFrame(f));
        }
        data.animations.push_back(std::move(anim));
    }
    acs::validate(data);
    return data;
}

}  // namespace vistrel::acstool
