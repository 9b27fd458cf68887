#pragma once

#include "agent/agent.h"
#include "script/cast.h"
#include "script/scriptreader.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace vistrel::script {

// The largest script file the player reads.
inline constexpr qint64 kMaxScriptBytes = 64 << 20;

// State that outlives one play; the main window owns it and shares it with composition.
struct PlayerState {
    static constexpr int kSlotCount = 10;  // request slots 0..9

    Cast cast;  // emptied when a play starts

    std::array<agent::Request, kSlotCount> requestSlots{};  // kept between plays
    std::int16_t currentSlot = 0;

    bool closeWhenAllHidden = false;  // "UnloadAll": end once every loaded character is hidden
    QString charactersFolder;         // without a trailing separator
};

// What the player needs from the window that runs it.
class PlayerHost {
  public:
    virtual ~PlayerHost() = default;
    virtual void setStatusText(const QString& text) = 0;
    virtual void minimizeWindow() = 0;
    // A message box with the stop icon.
    virtual void showStopMessage(const QString& title, const QString& text) = 0;
    // Gives the editor the focus if the main window is shown.
    virtual void focusEditor() = 0;
    // The program's own folder, where vistrel.ini lives.
    virtual QString programFolder() const = 0;
};

// The value of `KeyName` in section `Heading` of the INI file `Filepath`, without surrounding
// blanks; the path itself when the file or key is missing.
QString iniValue(const QString& section, const QString& key, const QString& path);

// Watches a play item by item; the script checker uses it to place what it finds. Without an
// observer the player behaves exactly as the program needs it to.
class PlayObserver {
  public:
    virtual ~PlayObserver() = default;
    // Item `number` (counting from 1) is about to run; `span` places it in the text.
    virtual void itemRead(int number, const ScriptReader::Span& span, const QString& item) = 0;
    // The item just read failed with `description` (the item count overflowing included).
    // True goes on with the next item instead of ending the play with a report.
    virtual bool keepGoing(const QString& description) = 0;
};

// Plays script files: reads them item by item, loads the characters they name into the
// service and hands every command to it. Returns as soon as the file is read; the service
// plays the queued requests on its own. A failure ends playing with one report to the host.
class ScriptPlayer {
  public:
    static const QString kBanner;         // status-bar text while a script is read
    static const QString kCredit;         // replaces "%Creator"
    static const QString kWhisperTag;     // put before whispered text
    static const QString kMenuCaption;    // the characters' pop-up menu caption
    static const QString kFailureAdvice;  // the last line of the failure message

    ScriptPlayer(PlayerState& state, agent::Agent& service, PlayerHost& host);
    ~ScriptPlayer();
    ScriptPlayer(const ScriptPlayer&) = delete;
    ScriptPlayer& operator=(const ScriptPlayer&) = delete;

    void playScript(const QString& path);
    // Plays script text already read from a file (playScript without the file).
    void playText(const QString& text);

    // Watches the following plays; null for none. The observer must outlive them.
    void setObserver(PlayObserver* observer) { observer_ = observer; }

    // The command keywords that follow a character's name, each with its leading dot
    // (".Play.", ".Show", ...), as written.
    static QStringList commandKeywords();

    // The number of items read by the last play, and whether it ended in a failure.
    int itemsRead() const { return itemsRead_; }
    bool failed() const { return failed_; }

  private:
    // Keyword strings of one table slot: the character's name followed by each keyword, and
    // the case-folded name with its dot that every one of them starts with.
    struct SlotKeys;

    void begin();
    void readItems(const QString& text);
    void runItem(QString& item);
    void loadStep(QString& item);
    void storedCommands(QString& item);
    void waitOn(QString& item);
    void unstoredCommands(QString& item);
    void report(const QString& description);

    // Case-insensitive search and removal on the current item, using its folded copy.
    bool has(const QString& foldedKey) const;
    // The item holds the slot's name followed by the keyword.
    bool has(int slot, int keyword) const;
    void removeAll(QString& item, const QString& key);
    void refold(const QString& item);
    bool named(int slot) const;  // the slot's name followed by "." occurs in the item

    std::int16_t slotNumber(QStringView text) const;
    std::pair<std::int16_t, std::int16_t> point(QStringView text) const;

    PlayerState& state_;
    agent::Agent& service_;
    PlayerHost& host_;
    PlayObserver* observer_ = nullptr;
    std::vector<SlotKeys> keys_;
    QString folded_;
    std::uint64_t present_ = 0;  // bit i: slot i's name occurs in the item
    std::array<std::uint16_t, Cast::kCapacity> keywordsAt_{};  // bit k: keyword k follows
    std::int16_t counter_ = 1;
    int itemsRead_ = 0;
    bool failed_ = false;
};

}  // namespace vistrel::script
