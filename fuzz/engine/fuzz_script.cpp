// Plays arbitrary bytes as a script against the recording service, with every character file
// present, so that every command path of the player is reachable.

#include "player.h"
#include "recording.h"
#include "scripttext.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

class NullHost final : public vistrel::engine::PlayerHost {
  public:
    void setStatusText(const QString&) override {}
    void minimizeWindow() override {}
    void showStopMessage(const QString&, const QString&) override {}
    void focusEditor() override {}
    QString programFolder() const override { return QStringLiteral("/nonexistent"); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vistrel::agent::RecordingAgent service;
    service.setAssumeFilesExist(true);
    vistrel::engine::PlayerState state;
    NullHost host;
    vistrel::engine::ScriptPlayer player(state, service, host);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    player.playText(vistrel::engine::decodeScriptText(bytes));
    // Play a second time: slots and the current slot carry over between plays.
    for (const QString& id : service.loadedIds())
        service.Unload(id);
    player.playText(vistrel::engine::decodeScriptText(bytes));
    return 0;
}
