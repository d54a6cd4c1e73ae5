#pragma once

#include <span>

namespace vorel {

// When a window repaints its client area after a command.
enum class Repaint {
    always,
    unlessCancelled, // not when the user cancelled the command's file dialog
    never,
};

// One row of a window's command table. Buttons, menu items and shortcuts all name a command by
// its id; the row says which member of the window carries it out, with what argument, and when
// the window repaints afterwards. The member returns false when the user cancelled its file
// dialog.
template <typename Window> struct Command {
    int id;
    bool (Window::*run)(int argument);
    int argument;
    Repaint repaint;
};

// The row of command `id`, or null when no row has it.
template <typename Window>
const Command<Window>* findCommand(std::span<const Command<Window>> table, int id) {
    for (const Command<Window>& command : table)
        if (command.id == id)
            return &command;
    return nullptr;
}

// Carries out `command` on `window`; true when the window is to repaint.
template <typename Window> bool runCommand(Window& window, const Command<Window>& command) {
    const bool proceeded = (window.*command.run)(command.argument);
    return command.repaint == Repaint::always ||
           (command.repaint == Repaint::unlessCancelled && proceeded);
}

} // namespace vorel
