#pragma once

#include "agent/agent.h"

#include <QString>

#include <vector>

namespace vistrel::script {

// The loaded-character table: the characters a script or Load All loaded, in load order, each
// with the name it reported and the id it was loaded under. The two differ when a file calls
// its character something else than the file's own name; the service knows it by the id. It holds
// at most kCapacity of them; a character loaded past that stays loaded in its service but is not in
// the table, so no script command reaches it.
class Cast {
  public:
    static constexpr int kCapacity = 35;

    struct Member {
        agent::CharacterRef character;  // empty when the character failed to load
        QString name;                   // the name it reported; empty when it has none
        QString id;                     // the id it was loaded (and is unloaded) under
    };

    Cast() { members_.reserve(kCapacity); }

    int size() const { return static_cast<int>(members_.size()); }
    bool empty() const { return members_.empty(); }
    bool full() const { return size() >= kCapacity; }

    // Takes the next slot and returns its number, or -1 when every slot is taken.
    int add(agent::CharacterRef character, QString name, QString id) {
        if (full())
            return -1;
        members_.push_back(Member{std::move(character), std::move(name), std::move(id)});
        return size() - 1;
    }
    // Forgets every member; their characters stay loaded in their service.
    void clear() { members_.clear(); }

    // Slot numbers run from 0 to size() - 1.
    const Member& operator[](int slot) const { return members_.at(static_cast<std::size_t>(slot)); }
    Member& operator[](int slot) { return members_.at(static_cast<std::size_t>(slot)); }

    auto begin() const { return members_.begin(); }
    auto end() const { return members_.end(); }
    auto begin() { return members_.begin(); }
    auto end() { return members_.end(); }

  private:
    std::vector<Member> members_;
};

}  // namespace vistrel::script
