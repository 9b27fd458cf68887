// extract: a character as a folder of PNG and WAV files with a JSON manifest.

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

namespace {

QString qs(std::u16string_view s) {
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size()));
}
QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

QString hexColor(acs::Rgb c) {
    return QString::asprintf("#%02X%02X%02X", c.r, c.g, c.b);
}

QString base64(const std::vector<std::uint8_t>& b) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()))
            .toBase64());
}

QString fileNumber(std::size_t i) {
    return QString::asprintf("%04zu", i);
}

void writePng(const acs::Image& img, const QList<QRgb>& table, const fs::path& path) {
    QImage q(img.width, img.height, QImage::Format_Indexed8);
    q.setColorTable(table);
    for (int y = 0; y < img.height; ++y) {
        std::copy_n(img.pixels.data() + static_cast<std::size_t>(y) * img.width, img.width,
                    q.scanLine(y));
    }
    if (!q.save(QString::fromStdString(path.string()), "PNG")) {
        throw acs::Error("cannot write " + path.string());
    }
}

void writeBytes(const fs::path& path, std::span<const std::uint8_t> bytes) {
    acs::saveFileAtomically(path, bytes);
}

QJsonObject voiceJson(const acs::VoiceInfo& v) {
    QJsonObject o;
    o["engine"] = qs(v.engine.toString());
    o["mode"] = qs(v.mode.toString());
    o["speed"] = static_cast<qint64>(v.speed);
    o["pitch"] = v.pitch;
    if (v.extra) {
        QJsonObject e;
        e["language"] = v.extra->language;
        e["dialect"] = qs(v.extra->dialect);
        e["gender"] = v.extra->gender;
        e["age"] = v.extra->age;
        e["style"] = qs(v.extra->style);
        o["extra"] = e;
    }
    return o;
}

QJsonObject balloonJson(const acs::BalloonInfo& b) {
    QJsonObject o;
    o["lines"] = b.lines;
    o["charsPerLine"] = b.charsPerLine;
    o["textColor"] = hexColor(b.text);
    o["backgroundColor"] = hexColor(b.background);
    o["borderColor"] = hexColor(b.border);
    o["fontName"] = qs(b.fontName);
    o["fontHeight"] = b.fontHeight;
    o["fontWeight"] = b.fontWeight;
    o["italic"] = b.italic;
    o["unknown"] = b.unknown;
    return o;
}

QJsonObject frameJson(const acs::Frame& f) {
    QJsonObject o;
    o["duration"] = f.duration;
    o["sound"] = f.sound;
    o["exitBranch"] = f.exitBranch;
    QJsonArray images;
    for (const auto& fi : f.images) {
        images.append(
            QJsonObject{{"image", static_cast<qint64>(fi.image)}, {"x", fi.x}, {"y", fi.y}});
    }
    o["images"] = images;
    QJsonArray branches;
    for (const auto& b : f.branches) {
        branches.append(QJsonObject{{"frame", b.frame}, {"probability", b.probability}});
    }
    o["branches"] = branches;
    QJsonArray overlays;
    for (const auto& ov : f.overlays) {
        QJsonObject j{{"shape", ov.shape},
                      {"replaceTopImage", ov.replaceTopImage},
                      {"image", ov.image},
                      {"unknown", ov.unknown},
                      {"x", ov.x},
                      {"y", ov.y},
                      {"centerX", ov.centerX},
                      {"centerY", ov.centerY}};
        if (ov.region) {
            j["region"] = base64(*ov.region);
        }
        overlays.append(j);
    }
    o["overlays"] = overlays;
    return o;
}

std::string safeName(std::u16string_view name) {
    std::string out;
    for (char16_t c : name) {
        bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                  (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
        out += ok ? static_cast<char>(c) : '_';
    }
    return out;
}

}  // namespace

fs::path extract(const acs::Character& character, const fs::path& dir, const Progress& progress) {
    std::error_code ec;
    fs::create_directories(dir / "images", ec);
    fs::create_directories(dir / "sounds", ec);
    fs::create_directories(dir / "frames", ec);
    if (ec) {
        throw acs::Error("cannot create " + dir.string() + ": " + ec.message());
    }
    const acs::CharacterInfo& info = character.info();
    const QList<QRgb> table = colorTable(info);

    QJsonObject root;
    root["format"] = manifest::kFormat;
    root["formatVersion"] = manifest::kVersion;
    root["fileVersion"] = QString::asprintf("%u.%u", info.majorVersion, info.minorVersion);
    root["guid"] = qs(info.guid.toString());
    root["width"] = info.width;
    root["height"] = info.height;
    root["transparentIndex"] = info.transparentIndex;
    root["flags"] = static_cast<qint64>(info.flags);
    root["animationSetVersion"] =
        QString::asprintf("%u.%u", info.animationSetMajor, info.animationSetMinor);
    if (info.voice) {
        root["voice"] = voiceJson(*info.voice);
    }
    if (info.balloon) {
        root["balloon"] = balloonJson(*info.balloon);
    }
    QJsonArray palette;
    for (const auto& c : info.palette) {
        palette.append(hexColor(c));
    }
    root["palette"] = palette;
    if (info.trayIcon) {
        root["trayIcon"] = QJsonObject{{"mask", base64(info.trayIcon->mask)},
                                       {"color", base64(info.trayIcon->color)}};
    }
    QJsonArray localized;
    for (const auto& l : info.localized) {
        localized.append(QJsonObject{{"language", l.language},
                                     {"name", qs(l.name)},
                                     {"description", qs(l.description)},
                                     {"extra", qs(l.extra)}});
    }
    root["localized"] = localized;
    QJsonArray states;
    for (const auto& s : info.states) {
        QJsonArray names;
        for (const auto& a : s.animations) {
            names.append(qs(a));
        }
        states.append(QJsonObject{{"name", qs(s.name)}, {"animations", names}});
    }
    root["states"] = states;

    // Images: decoded one by one, written as indexed PNGs that keep the palette indices.
    acs::CharacterData data;
    data.info = info;
    data.images.resize(character.imageCount());
    QJsonArray images;
    for (std::size_t i = 0; i < character.imageCount(); ++i) {
        const acs::Image& img = character.image(i);
        data.images[i].image = img;
        QJsonObject o{{"checksum", static_cast<qint64>(character.imageHeader(i).checksum)},
                      {"width", img.width},
                      {"height", img.height}};
        if (img.width > 0 && img.height > 0) {
            const QString name = "images/" + fileNumber(i) + ".png";
            writePng(img, table, dir / name.toStdString());
            o["file"] = name;
        }
        images.append(o);
        report(progress, "images", i + 1, character.imageCount());
    }
    root["images"] = images;

    QJsonArray sounds;
    for (std::size_t i = 0; i < character.soundCount(); ++i) {
        const QString name = "sounds/" + fileNumber(i) + ".wav";
        writeBytes(dir / name.toStdString(), character.sound(i));
        sounds.append(QJsonObject{{"file", name},
                                  {"checksum", static_cast<qint64>(character.soundChecksum(i))}});
        report(progress, "sounds", i + 1, character.soundCount());
    }
    root["sounds"] = sounds;

    // Animations, each frame also drawn as the full picture a player shows.
    QJsonArray animations;
    const auto& anims = character.animations();
    for (std::size_t a = 0; a < anims.size(); ++a) {
        const acs::Animation& anim = anims[a];
        const QString folder = "frames/" + QString::asprintf("%03zu-", a) +
                               QString::fromStdString(safeName(anim.name));
        fs::create_directories(dir / folder.toStdString());
        QJsonArray frames;
        for (std::size_t f = 0; f < anim.frames.size(); ++f) {
            QJsonObject fo = frameJson(anim.frames[f]);
            const QString picture = folder + QString::asprintf("/%03zu.png", f);
            writePng(acs::compositeFrame(data, anim.frames[f]), table, dir / picture.toStdString());
            fo["picture"] = picture;
            frames.append(fo);
        }
        QJsonObject ao{{"name", qs(anim.name)},
                       {"transition", anim.transition},
                       {"returnAnimation", qs(anim.returnAnimation)},
                       {"frames", frames}};
        if (!anim.acaFileName.empty()) {
            ao["acaFile"] = qs(anim.acaFileName);
            ao["acaChecksum"] = static_cast<qint64>(anim.acaChecksum);
        }
        animations.append(ao);
        report(progress, "frames", a + 1, anims.size());
    }
    root["animations"] = animations;

    const fs::path manifest = dir / manifest::kFileName;
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    writeBytes(manifest, std::span(reinterpret_cast<const std::uint8_t*>(json.constData()),
                                   static_cast<std::size_t>(json.size())));
    return manifest;
}
}  // namespace vistrel::acstool
