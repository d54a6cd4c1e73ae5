#pragma once

#include <optional>
#include <span>

namespace vorel {

// When a window repaints its client area after a command.
enum class Repaint {
    always,
    unlessCancelled, // not when the user cancelled the command's file dialog
    never,
};

// The number of a command id: the objectName of its buttons and menu items. Every program's ids
// are a scoped enum of their numbers.
template <typename Id> constexpr int commandNumber(Id id) {
    return static_cast<int>(id);
}

// One row of a window's command table. Buttons, menu items and shortcuts all name a command by
// its id; the row says what carries it out and when the window repaints afterwards. `run`
// returns false when the user cancelled the command's file dialog.
template <typename Window, typename Id> struct CommandRow {
    Id id;
    bool (*run)(Window& window);
    Repaint repaint;
};

template <typename> struct MemberOf;
template <typename Window, typename... Arguments> struct MemberOf<bool (Window::*)(Arguments...)> {
    using Type = Window;
};

// A row's handler: the window's member `member` called with `arguments`, of the member's own
// parameter types.
template <auto member, auto... arguments>
bool callMember(typename MemberOf<decltype(member)>::Type& window) {
    return (window.*member)(arguments...);
}

// The row of the command numbered `number`, or null when no row has it.
template <typename Window, typename Id>
const CommandRow<Window, Id>* findRow(std::span<const CommandRow<Window, Id>> table, int number) {
    for (const CommandRow<Window, Id>& row : table)
        if (commandNumber(row.id) == number)
            return &row;
    return nullptr;
}

// Carries out `row` on `window`; true when the window is to repaint.
template <typename Window, typename Id>
bool runRow(Window& window, const CommandRow<Window, Id>& row) {
    const bool proceeded = row.run(window);
    return row.repaint == Repaint::always || (row.repaint == Repaint::unlessCancelled && proceeded);
}

} // namespace vorel
