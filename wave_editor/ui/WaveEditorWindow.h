#pragma once

#include "common/WorkerPool.h"
#include "platform/PcmPlayer.h"
#include "platform/UserDialogs.h"
#include "wave_editor/Drawing.h"
#include "wave_editor/Preview.h"
#include "wave_editor/ToneTables.h"
#include "wave_editor/WaveEditorModel.h"

#include <QMainWindow>
#include <QString>

class QPushButton;

namespace vorel::wave {

// The client area: the value text, the wave plot, the harmonic bars, the overtone grid and the
// 28 buttons, all at fixed pixel positions. Its coordinates are the window's client coordinates.
class WaveCanvas : public QWidget {
    Q_OBJECT
  public:
    WaveCanvas(const WaveEditorModel& model, const ShapeTables& shapes, QWidget* parent);

  signals:
    void clicked(int x, int y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    const WaveEditorModel& model_;
    const ShapeTables& shapes_;
};

// The wave editor's main window "Vorel v0.0": menu, buttons, grid clicks and one command table.
class WaveEditorWindow : public QMainWindow {
    Q_OBJECT
  public:
    // The tone tables and the dialogs seam outlive the window.
    WaveEditorWindow(const ToneTables& tones, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~WaveEditorWindow() override;

    // Carries out command `id` (a menu item, accelerator or button); unknown ids do nothing.
    void dispatch(int id);

    WaveEditorModel& model() { return model_; }
    const PreviewBuffers& previews() const { return previews_; }
    PcmPlayer& player() { return player_; }
    WaveCanvas* canvas() const { return canvas_; }
    QPushButton* button(int id) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenu();
    void buildButtons();
    void gridClick(int x, int y);
    void loadWave();
    void saveWave();
    void computePreviews();
    void playPreview(int pitch);
    FileDialogRequest fileRequest(const QString& title) const;

    const ToneTables& tones_;
    UserDialogs& dialogs_;
    WaveEditorModel model_;
    ShapeTables shapes_;
    GridHitMap hitMap_;
    PreviewBuffers previews_;
    WorkerPool pool_;
    PcmPlayer player_;
    QString lastPath_; // the path chosen last in either file dialog
    WaveCanvas* canvas_;
};

} // namespace vorel::wave
