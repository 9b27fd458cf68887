// Plays arbitrary bytes as a script against the recording service, with every character file
// present, so that every command path of the player is reachable.

#include "agent/recording.h"
#include "script/player.h"
#include "script/scripttext.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

class NullHost final : public vistrel::script::PlayerHost {
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
    vistrel::script::PlayerState state;
    NullHost host;
    vistrel::script::ScriptPlayer player(state, service, host);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    player.playText(vistrel::script::decodeScriptText(bytes));
    // Play a second time: slots and the current slot carry over between plays.
    for (const QString& id : service.loadedIds())
        service.Unload(id);
    player.playText(vistrel::script::decodeScriptText(bytes));
    return 0;
}
