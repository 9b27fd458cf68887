#pragma once

// Reads a rendered file back through libavformat and libavcodec, as a player would.

#include <QImage>
#include <QString>

#include <vector>

namespace vistrel::render::testing {

struct Media {
    QString error;  // empty when the file could be read
    QString videoCodec;
    QString audioCodec;
    int width = 0;
    int height = 0;
    double fps = 0;
    double durationSeconds = 0;  // of the container
    bool alpha = false;          // the decoded frames carry transparency
    std::vector<QImage> frames;  // ARGB32, in presentation order
    std::vector<float> audio;    // the first channel
    int sampleRate = 0;
};

// Decodes every frame and all the sound. WebM is decoded with libvpx to keep its alpha.
Media readMedia(const QString& path);

}  // namespace vistrel::render::testing
