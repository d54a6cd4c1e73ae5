#pragma once

#include "platform/DocumentWindow.h"
#include "wave_editor/Drawing.h"
#include "wave_editor/Preview.h"
#include "wave_editor/WaveEditorModel.h"
#include "wave_editor/ui/Commands.h"

namespace vorel::wave {

// The wave editor's main window "Vorel v0.0": the menu, the 28 buttons and the client area of
// 930 x 650 pixels, painted from the model.
class WaveEditorWindow : public DocumentWindow {
    Q_OBJECT
  public:
    // The dialogs seam outlives the window.
    explicit WaveEditorWindow(UserDialogs& dialogs, QWidget* parent = nullptr);
    ~WaveEditorWindow() override;

    using DocumentWindow::dispatch;
    bool dispatch(Command command) { return dispatch(commandNumber(command)); }

    WaveEditorModel& model() { return model_; }
    const Previews& previews() const { return previews_; }
    Previews& previews() { return previews_; } // tests choose the evaluation

  protected:
    bool hasCommand(int number) const override;
    bool runCommand(int number) override;
    void paintClient(QPainter& painter) const override;
    void stateChanged() override;

  private:
    using Row = CommandRow<WaveEditorWindow, Command>;
    static const Row commands[];

    void buildMenu();
    void gridClick(QPoint position);
    void trackWave();

    // The commands; each returns false when its file dialog was cancelled.
    template <auto operation, auto... arguments> static bool onModel(WaveEditorWindow& window);
    bool showAbout();
    bool exit();
    bool loadWave();
    bool saveWave();
    void loadWaveFrom(const QString& path);
    bool importCycle();
    void importCycleFrom(const QString& path);
    bool exportCycle();
    bool openLibrary();
    bool computePreviews();
    bool playPreview(int pitch);
    bool applyPowerLaw();
    bool applyInput();
    bool selectSeries(bool select);

    WaveEditorModel model_;
    ShapeTables shapes_;
    GridHitMap hitMap_;
    Previews previews_;
    Document* waveDocument_ = nullptr;
    WaveData liveTone_{}; // the wave the keys play, as last handed to the output
    bool liveToneHandedOver_ = false;
};

} // namespace vorel::wave
