#pragma once

#include "sequencer/GridChange.h"
#include "synth/SoundSettings.h"

#include <QUndoCommand>

#include <array>
#include <cstdint>

namespace vorel::sound {

// The steps of the sound editor's undo history. Each is pushed once its edit is done; redo()
// puts the edit's result back, undo() what was there before. A step keeps only what it changed.

// A note inserted, replaced or deleted, or a copied phrase: the grid cells it changed.
class GridStep : public QUndoCommand {
  public:
    GridStep(const QString& text, SequenceData& sequence, GridChange change)
        : QUndoCommand(text), sequence_(sequence), change_(std::move(change)) {}
    void undo() override { change_.undo(sequence_); }
    void redo() override { change_.redo(sequence_); }

  private:
    SequenceData& sequence_;
    GridChange change_;
};

// OK of a settings dialog that changed something: the 25 selection indexes before and after.
class SettingsStep : public QUndoCommand {
  public:
    using Indexes = std::array<std::int32_t, parameterCount>;
    SettingsStep(const QString& text, SoundSettings& settings, const Indexes& before)
        : QUndoCommand(text), settings_(settings), before_(before), after_(settings.indexes()) {}
    void undo() override { select(before_); }
    void redo() override { select(after_); }

  private:
    void select(const Indexes& indexes) {
        for (int number = 1; number <= parameterCount; ++number)
            settings_.select(paramFromNumber(number),
                             indexes[static_cast<std::size_t>(number - 1)]);
    }
    SoundSettings& settings_;
    Indexes before_;
    Indexes after_;
};

} // namespace vorel::sound
