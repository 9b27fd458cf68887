#include "art/builder.h"

#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <stdexcept>

namespace vistrel::art {

namespace {

// Slots 0-9 and 246-255 hold the usual fixed system colours, 10 is transparent, and the
// character's own colours fill the slots between.
constexpr std::array<acs::Rgb, 10> kLowSystem{{{0, 0, 0},
                                               {128, 0, 0},
                                               {0, 128, 0},
                                               {128, 128, 0},
                                               {0, 0, 128},
                                               {128, 0, 128},
                                               {0, 128, 128},
                                               {192, 192, 192},
                                               {192, 220, 192},
                                               {166, 202, 240}}};
constexpr std::array<acs::Rgb, 10> kHighSystem{{{255, 251, 240},
                                                {160, 160, 164},
                                                {128, 128, 128},
                                                {255, 0, 0},
                                                {0, 255, 0},
                                                {255, 255, 0},
                                                {0, 0, 255},
                                                {255, 0, 255},
                                                {0, 255, 255},
                                                {255, 255, 255}}};
constexpr std::uint8_t kFirstOwnSlot = 11;
constexpr std::size_t kOwnSlots = 246 - kFirstOwnSlot;
constexpr acs::Rgb kTransparentColour{255, 0, 255};

std::uint64_t fnv1a(const QImage& img) {
    std::uint64_t h = 1469598103934665603ull;
    auto mixIn = [&h](std::uint8_t b) {
        h ^= b;
        h *= 1099511628211ull;
    };
    for (int v : {img.width(), img.height()}) {
        for (int i = 0; i < 4; ++i) {
            mixIn(static_cast<std::uint8_t>(v >> (8 * i)));
        }
    }
    for (int y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = 0; x < img.width() * 4; ++x) {
            mixIn(row[x]);
        }
    }
    return h;
}

bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y),
                        static_cast<std::size_t>(a.width()) * 4) != 0) {
            return false;
        }
    }
    return true;
}

// Pixels at least half covered become opaque with their own colour; the rest transparent.
QImage hardEdged(const QImage& picture) {
    QImage img = picture.convertToFormat(QImage::Format_RGBA8888);
    for (int y = 0; y < img.height(); ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            uchar* px = row + 4 * x;
            if (px[3] < 128) {
                px[0] = px[1] = px[2] = px[3] = 0;
            } else {
                px[3] = 255;
            }
        }
    }
    return img;
}

QRect opaqueBounds(const QImage& img) {
    int left = img.width(), top = img.height(), right = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y) {
        const uchar* row = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            if (row[4 * x + 3] != 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

std::vector<Step> ramp(const Pose& from, const Pose& to, int n, std::uint16_t duration) {
    std::vector<Step> steps;
    for (int i = 1; i <= n; ++i) {
        // Ease in and out so that movements start and stop softly.
        const double t = static_cast<double>(i) / n;
        const double eased = 0.5 - 0.5 * std::cos(t * 3.14159265358979323846);
        steps.push_back({between(from, to, eased), duration, -1, {}});
    }
    return steps;
}

std::vector<Step> operator+(std::vector<Step> steps, const std::vector<Step>& more) {
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

CharacterBuilder::CharacterBuilder(const Design& design) : design_(design) {
    // The seven mouth shapes, cut from the head drawn with each of them.
    static constexpr std::array<Mouth, 7> kShapes{
        Mouth::Closed,     Mouth::SpeakWide1,  Mouth::SpeakWide2, Mouth::SpeakWide3,
        Mouth::SpeakWide4, Mouth::SpeakMedium, Mouth::SpeakNarrow};
    const QRect rect = design_.mouthRect();
    for (Mouth m : kShapes) {
        const QImage head = headPicture(Face{Eyes::Open, Brows::Normal, m});
        Placed placed{};
        if (!place(head.copy(rect), rect.topLeft(), placed)) {
            throw std::logic_error("a mouth shape draws nothing");
        }
        mouths_.push_back(placed);
    }
}

QImage CharacterBuilder::newCanvas(QSize size) const {
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QImage CharacterBuilder::headPicture(const Face& face) {
    QImage img = newCanvas(design_.headSize());
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    design_.drawHead(p, face);
    p.end();
    return hardEdged(img);
}

std::uint32_t CharacterBuilder::store(QImage picture) {
    const std::uint64_t h = fnv1a(picture);
    auto [first, last] = byHash_.equal_range(h);
    for (auto it = first; it != last; ++it) {
        if (samePixels(images_[it->second], picture)) {
            return it->second;
        }
    }
    const auto index = static_cast<std::uint32_t>(images_.size());
    images_.push_back(std::move(picture));
    byHash_.emplace(h, index);
    return index;
}

bool CharacterBuilder::place(const QImage& picture, QPoint origin, Placed& out) {
    const QImage hard = hardEdged(picture);
    const QRect box = opaqueBounds(hard);
    if (box.isNull()) {
        return false;
    }
    out.image = store(hard.copy(box));
    out.offset = origin + box.topLeft();
    return true;
}

std::int32_t CharacterBuilder::addSound(std::vector<std::uint8_t> wav) {
    const auto checksum = static_cast<std::uint32_t>(0x5600 + sounds_.size());
    sounds_.push_back({std::move(wav), checksum});
    return static_cast<std::int32_t>(sounds_.size() - 1);
}

acs::Frame CharacterBuilder::render(const Step& step, bool speaking) {
    const Pose& pose = step.pose;
    acs::Frame frame;
    frame.duration = step.duration;
    frame.sound = step.sound;

    const QPointF feet = design_.feet();
    QTransform body;
    body.translate(pose.x, pose.y);
    body.translate(feet.x(), feet.y());
    body.rotate(pose.lean);
    body.scale(pose.scale, pose.scale * pose.squash);
    body.translate(-feet.x(), -feet.y());

    auto add = [&frame, this](const QImage& picture, QPoint origin) {
        Placed placed{};
        if (place(picture, origin, placed)) {
            frame.images.push_back({placed.image, static_cast<std::int16_t>(placed.offset.x()),
                                    static_cast<std::int16_t>(placed.offset.y())});
        }
    };
    auto paint = [this](const std::function<void(QPainter&)>& draw) {
        QImage img = newCanvas(design_.frameSize());
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
        p.end();
        return img;
    };

    // Layers, top-most first: effects, things held before the face, the head, the body.
    if (pose.effect != Effect::None) {
        add(paint([&](QPainter& p) { design_.drawEffect(p, pose); }), {});
    }
    const QPointF headAt = design_.headOrigin() + QPointF(pose.headX, pose.headY);
    if (std::abs(pose.scale - 1.0) > 1e-9) {
        // Appearing and vanishing: the whole character scaled in one picture.
        add(paint([&](QPainter& p) {
                p.setTransform(body);
                design_.drawBody(p, pose);
                p.translate(headAt);
                design_.drawHead(p, pose.face);
            }),
            {});
        return frame;
    }
    if (design_.hasFront(pose)) {
        add(paint([&](QPainter& p) {
                p.setTransform(body);
                design_.drawFront(p, pose);
            }),
            {});
    }
    const QPointF neckMoved = body.map(design_.neck());
    const QPointF headPos = neckMoved + (headAt - design_.neck());
    const QPoint headTopLeft(static_cast<int>(std::lround(headPos.x())),
                             static_cast<int>(std::lround(headPos.y())));
    add(headPicture(pose.face), headTopLeft);
    add(paint([&](QPainter& p) {
            p.setTransform(body);
            design_.drawBody(p, pose);
        }),
        {});

    if (speaking) {
        for (std::size_t m = 0; m < mouths_.size(); ++m) {
            acs::Overlay ov;
            ov.shape = static_cast<std::uint8_t>(m);
            ov.image = static_cast<std::uint16_t>(mouths_[m].image);
            ov.x = static_cast<std::int16_t>(headTopLeft.x() + mouths_[m].offset.x());
            ov.y = static_cast<std::int16_t>(headTopLeft.y() + mouths_[m].offset.y());
            frame.overlays.push_back(ov);
        }
    }
    return frame;
}

void CharacterBuilder::addAnimation(const AnimationPlan& plan) {
    acs::Animation anim;
    anim.name = plan.name;
    anim.transition = static_cast<std::uint8_t>(plan.transition);
    if (plan.transition == acs::Transition::ReturnAnimation) {
        anim.returnAnimation = acs::toUpper(plan.returnAnimation);
    }

    const int nIn = static_cast<int>(plan.in.size());
    const int nBody = static_cast<int>(plan.body.size());
    const int nOut = static_cast<int>(plan.out.size());
    const bool endMarker = nOut == 0;
    const int total = nIn + nBody + nOut + (endMarker ? 1 : 0);
    const int end = total - 1;  // the frame at which every exit path finishes
    const int lastShown = endMarker ? total - 2 : total - 1;

    std::vector<const Step*> steps;
    for (const auto* part : {&plan.in, &plan.body, &plan.out}) {
        for (const Step& s : *part) {
            steps.push_back(&s);
        }
    }
    for (int i = 0; i < static_cast<int>(steps.size()); ++i) {
        acs::Frame frame = render(*steps[i], plan.speaking && i == lastShown);
        if (i < nIn) {
            frame.exitBranch = static_cast<std::int16_t>(i == 0 ? end : i - 1);
        } else if (i < nIn + nBody) {
            // Without a way in or out, the body's last frame is where it comes to rest.
            const int lastBody = nIn + nBody - 1;
            int exit = nOut > 0 ? nIn + nBody : (nIn > 0 ? nIn - 1 : lastBody);
            if (i == exit) {
                exit = end;
            }
            frame.exitBranch = static_cast<std::int16_t>(exit);
            for (const auto& [target, percent] : steps[i]->jumps) {
                if (target < 0 || target >= nBody) {
                    throw std::logic_error("a branch leads outside the animation's body");
                }
                frame.branches.push_back({static_cast<std::uint16_t>(nIn + target),
                                          static_cast<std::uint16_t>(percent)});
            }
        } else {
            frame.exitBranch = static_cast<std::int16_t>(i == end ? acs::kEndExitBranch : i + 1);
        }
        anim.frames.push_back(std::move(frame));
    }
    if (endMarker) {
        acs::Frame marker;
        marker.exitBranch = acs::kEndExitBranch;
        anim.frames.push_back(std::move(marker));
    }
    animations_.push_back(std::move(anim));
}

Quantized quantize(const std::map<std::uint32_t, std::uint64_t>& colours, std::size_t size) {
    struct Entry {
        std::array<int, 3> c;
        std::uint64_t count;
        std::uint32_t rgb;
    };
    std::vector<Entry> entries;
    for (const auto& [rgb, count] : colours) {
        entries.push_back({{static_cast<int>((rgb >> 16) & 0xFF),
                            static_cast<int>((rgb >> 8) & 0xFF), static_cast<int>(rgb & 0xFF)},
                           count,
                           rgb});
    }
    struct Box {
        std::size_t begin, end;
    };
    auto spread = [&entries](const Box& b, int& channel) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (std::size_t i = b.begin; i < b.end; ++i) {
                lo = std::min(lo, entries[i].c[ch]);
                hi = std::max(hi, entries[i].c[ch]);
            }
            // Green matters most to the eye, blue least.
            static constexpr std::array<int, 3> kWeight{3, 4, 2};
            if ((hi - lo) * kWeight[ch] > best) {
                best = (hi - lo) * kWeight[ch];
                channel = ch;
            }
        }
        return best;
    };
    auto population = [&entries](const Box& b) {
        std::uint64_t n = 0;
        for (std::size_t i = b.begin; i < b.end; ++i) {
            n += entries[i].count;
        }
        return n;
    };

    std::vector<Box> boxes;
    if (!entries.empty()) {
        boxes.push_back({0, entries.size()});
    }
    while (boxes.size() < size) {
        double bestScore = 0;
        std::size_t pick = boxes.size();
        int channel = 0;
        for (std::size_t b = 0; b < boxes.size(); ++b) {
            int ch = 0;
            const int s = spread(boxes[b], ch);
            const double score = s * std::sqrt(static_cast<double>(population(boxes[b])));
            if (boxes[b].end - boxes[b].begin > 1 && score > bestScore) {
                bestScore = score;
                pick = b;
                channel = ch;
            }
        }
        if (pick == boxes.size()) {
            break;
        }
        Box box = boxes[pick];
        std::sort(entries.begin() + static_cast<std::ptrdiff_t>(box.begin),
                  entries.begin() + static_cast<std::ptrdiff_t>(box.end),
                  [channel](const Entry& a, const Entry& b) {
                      return a.c[channel] != b.c[channel] ? a.c[channel] < b.c[channel]
                                                          : a.rgb < b.rgb;
                  });
        const std::uint64_t half = population(box) / 2;
        std::uint64_t running = 0;
        std::size_t cut = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            running += entries[i].count;
            cut = i + 1;
            if (running >= half) {
                break;
            }
        }
        boxes[pick] = {box.begin, cut};
        boxes.push_back({cut, box.end});
    }

    Quantized q;
    for (const Box& b : boxes) {
        std::array<std::uint64_t, 3> sum{};
        const std::uint64_t n = population(b);
        for (std::size_t i = b.begin; i < b.end; ++i) {
            for (int ch = 0; ch < 3; ++ch) {
                sum[ch] += static_cast<std::uint64_t>(entries[i].c[ch]) * entries[i].count;
            }
        }
        q.palette.push_back({static_cast<std::uint8_t>((sum[0] + n / 2) / n),
                             static_cast<std::uint8_t>((sum[1] + n / 2) / n),
                             static_cast<std::uint8_t>((sum[2] + n / 2) / n)});
    }
    for (const Entry& e : entries) {
        long best = -1;
        std::uint8_t bestIndex = 0;
        for (std::size_t i = 0; i < q.palette.size(); ++i) {
            const long dr = e.c[0] - q.palette[i].r, dg = e.c[1] - q.palette[i].g,
                       db = e.c[2] - q.palette[i].b;
            const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (best < 0 || d < best) {
                best = d;
                bestIndex = static_cast<std::uint8_t>(i);
            }
        }
        q.index[e.rgb] = bestIndex;
    }
    return q;
}

acs::CharacterData CharacterBuilder::finish(acs::CharacterInfo info) {
    std::map<std::uint32_t, std::uint64_t> colours;
    for (const QImage& img : images_) {
        for (int y = 0; y < img.height(); ++y) {
            const uchar* row = img.constScanLine(y);
            for (int x = 0; x < img.width(); ++x) {
                const uchar* px = row + 4 * x;
                if (px[3] != 0) {
                    ++colours[(std::uint32_t{px[0]} << 16) | (std::uint32_t{px[1]} << 8) | px[2]];
                }
            }
        }
    }
    const Quantized q = quantize(colours, kOwnSlots);

    acs::CharacterData data;
    info.width = static_cast<std::uint16_t>(design_.frameSize().width());
    info.height = static_cast<std::uint16_t>(design_.frameSize().height());
    info.transparentIndex = kTransparentIndex;
    info.palette.assign(kLowSystem.begin(), kLowSystem.end());
    info.palette.push_back(kTransparentColour);
    info.palette.insert(info.palette.end(), q.palette.begin(), q.palette.end());
    // Slots left over when the character has fewer colours stay black.
    while (info.palette.size() < 246) {
        info.palette.push_back({0, 0, 0});
    }
    info.palette.insert(info.palette.end(), kHighSystem.begin(), kHighSystem.end());
    data.info = std::move(info);

    for (std::size_t i = 0; i < images_.size(); ++i) {
        const QImage& img = images_[i];
        acs::Image out;
        out.width = static_cast<std::uint16_t>(img.width());
        out.height = static_cast<std::uint16_t>(img.height());
        out.pixels.resize(static_cast<std::size_t>(img.width()) * img.height());
        for (int y = 0; y < img.height(); ++y) {
            const uchar* row = img.constScanLine(y);
            for (int x = 0; x < img.width(); ++x) {
                const uchar* px = row + 4 * x;
                std::uint8_t index = kTransparentIndex;
                if (px[3] != 0) {
                    const std::uint32_t rgb =
                        (std::uint32_t{px[0]} << 16) | (std::uint32_t{px[1]} << 8) | px[2];
                    index = static_cast<std::uint8_t>(kFirstOwnSlot + q.index.at(rgb));
                }
                out.pixels[static_cast<std::size_t>(y) * img.width() + x] = index;
            }
        }
        data.images.push_back({std::move(out), static_cast<std::uint32_t>(0x7100 + i)});
    }
    data.animations = animations_;
    data.sounds = sounds_;
    return data;
}

}  // namespace vistrel::art
