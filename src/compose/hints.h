#pragma once

#include <QString>

#include <functional>

namespace vistrel::compose {

// The one way the program's hints reach the help assistant. A hint is spoken only while help
// is on, and only through the voice the assistant gives it; without a voice it goes nowhere.
class Hints {
  public:
    // Speaks `text`; with `stopFirst` the assistant first stops whatever it was doing. Returns
    // false when the assistant could not take the hint.
    using Voice = std::function<bool(const QString& text, bool stopFirst)>;

    bool helpOn() const { return helpOn_; }
    void setHelpOn(bool on) { helpOn_ = on; }
    void setVoice(Voice voice) { voice_ = std::move(voice); }

    // False only when help is on and the assistant could not take the hint.
    bool speakHint(const QString& text, bool stopFirst = false) const;

  private:
    bool helpOn_ = false;
    Voice voice_;
};

}  // namespace vistrel::compose
