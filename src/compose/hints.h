#pragma once

#include <QString>

#include <functional>

namespace vistrel::compose {

// The one way the program's hints reach the help assistant. A hint is spoken only while help
// is on, and only through the voice the assistant gives it; without a voice it goes nowhere.
class Hints {
  public:
    // Speaks `text`; with `stopFirst` the assistant first stops whatever it was doing.
    using Voice = std::function<void(const QString& text, bool stopFirst)>;

    bool helpOn() const { return helpOn_; }
    void setHelpOn(bool on) { helpOn_ = on; }
    void setVoice(Voice voice) { voice_ = std::move(voice); }

    void speakHint(const QString& text, bool stopFirst = false) const;

  private:
    bool helpOn_ = false;
    Voice voice_;
};

}  // namespace vistrel::compose
