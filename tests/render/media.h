#pragma once

// Reads a rendered file back through libavformat and libavcodec, as a player would.

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

namespace vistrel::render::testing {

struct Media {
    QString error;  // empty when the file could be read
    QString videoCodec;
    QString audioCodec;
    int width = 0;
    int height = 0;
    double fps = 0;
    double durationSeconds = 0;   // of the container
    bool alpha = false;           // the decoded frames carry transparency
    std::vector<QImage> frames;   // ARGB32, in presentation order
    std::int64_t frameCount = 0;  // decoded, kept or not
    std::vector<float> audio;     // the first channel
    int sampleRate = 0;
};

// Decodes every frame and all the sound, keeping every `keepEvery`th frame from the first.
// WebM is decoded with libvpx to keep its alpha.
Media readMedia(const QString& path, int keepEvery = 1);

}  // namespace vistrel::render::testing
