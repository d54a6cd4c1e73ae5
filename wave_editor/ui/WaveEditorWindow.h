#pragma once

#include "platform/CommandTable.h"
#include "platform/FileCommands.h"
#include "platform/LongWork.h"
#include "platform/PcmPlayer.h"
#include "platform/UnsavedWork.h"
#include "platform/UserDialogs.h"
#include "wave_editor/Drawing.h"
#include "wave_editor/Preview.h"
#include "wave_editor/WaveEditorModel.h"

#include <QMainWindow>

#include <string>

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
    // The dialogs seam outlives the window.
    explicit WaveEditorWindow(UserDialogs& dialogs, QWidget* parent = nullptr);
    ~WaveEditorWindow() override;

    // Carries out command `id` (wave_editor/ui/Commands.h: a menu item, accelerator or button);
    // false for an id that is no command (nothing happens).
    bool dispatch(int id);

    WaveEditorModel& model() { return model_; }
    const Previews& previews() const { return previews_; }
    Previews& previews() { return previews_; } // tests choose the evaluation
    PcmPlayer& player() { return player_; }
    WaveCanvas* canvas() const { return canvas_; }
    QPushButton* button(int id) const;
    bool busy() const { return longWork_.busy(); }

    // Opens a wave file named on the command line or dropped on the window, with the checks and
    // messages of "Load"; any other kind of file is refused with a message.
    void openFile(const QString& path);
    // Keeps the folder of the files used in the program's settings, for the next run's dialogs.
    void rememberFolders() { files_.rememberFoldersAs(QStringLiteral("vorel")); }
    // Keeps copies of the unsaved wave in `folder`, and first offers the copy an earlier run left
    // there when it ended without saving.
    void keepWorkIn(const std::string& folder);
    // A close that cannot wait for the user (SIGTERM, the session ending): the unsaved wave is
    // copied for recovery at once and the window closes without a question.
    void closeUrgently();
    UnsavedWork& unsavedWork() { return work_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    static const Command<WaveEditorWindow> commands[];

    void buildMenu();
    void buildButtons();
    void gridClick(int x, int y);
    void trackWave();

    // The commands; each returns false when its file dialog was cancelled.
    template <auto operation> bool onModel(int argument);
    bool showAbout(int);
    bool exit(int);
    bool loadWave(int);
    bool saveWave(int);
    void loadWaveFrom(const QString& path);
    bool importCycle(int);
    bool exportCycle(int);
    bool computePreviews(int);
    bool playPreview(int pitch);
    bool applyPowerLaw(int);
    bool applyInput(int);
    bool selectSeries(int select);

    UserDialogs& dialogs_;
    FileCommands files_;
    WaveEditorModel model_;
    ShapeTables shapes_;
    GridHitMap hitMap_;
    Previews previews_;
    PcmPlayer player_;
    WaveCanvas* canvas_;
    LongWork longWork_;
    UnsavedWork work_{this, dialogs_, files_, QStringLiteral("Vorel")};
    Document* waveDocument_ = nullptr;
};

} // namespace vorel::wave
