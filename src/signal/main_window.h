#pragma once
// TForm1, the main window: the loaded recording's waveform view with zoom,
// scrolling, amplitude, zero line, channel, the two encoding check boxes, the
// selection by mouse or typed times, "S", "All", Play and the main menu. The
// arithmetic lives in MainView; this form forwards events and mirrors states.

#include "main_view.h"
#include "signal_state.h"
#include "sound_file.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QScrollBar;
class QSpinBox;
class QToolButton;

namespace kelvox {

class AudioOutput;
class WaveView;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kViewWidth = 665;
    static constexpr int kViewHeight = 201;

    /// Chooses a file to open: (parent, initial folder, filter) → path, empty on cancel.
    using FileChooser = std::function<QString(QWidget*, const QString&, const QString&)>;
    /// Shows the "File Error" / "Can't Open File" box; `details` is its informative
    /// text: the file's name and, on the next line, the reason it was refused.
    using ErrorBox = std::function<void(QWidget*, const QString& details)>;
    /// Asks how the samples of the headerless file `path` are stored ("Open raw...");
    /// `parameters` holds the last values on entry. False on Cancel.
    using RawAsker = std::function<bool(QWidget*, const QString& path, RawParameters& parameters)>;
    /// Shows a platform error (playback) in the application's standard error message.
    using Notifier = std::function<void(QWidget*, const QString&)>;

    TForm1(SignalState& state, QWidget* parent = nullptr);
    ~TForm1() override;

    // Seams for tests; the defaults are the real dialogs, boxes and audio device.
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void setErrorBox(ErrorBox box) { m_errorBox = std::move(box); }
    void setRawAsker(RawAsker asker) { m_askRaw = std::move(asker); }
    void setNotifier(Notifier notify) { m_notify = std::move(notify); }
    void setAudioOutput(std::unique_ptr<AudioOutput> output);
    /// What "Exit" does (default: leave the event loops).
    void setExitHandler(std::function<void()> onExit) { m_onExit = std::move(onExit); }
    /// Called after every successful load (the runs forget the old label file).
    void setLoadedHandler(std::function<void()> onLoaded) { m_onLoaded = std::move(onLoaded); }
    /// Adds an item to the menu bar after "File" ("Wave", "Section", "Spectrogram").
    QAction* addMenuItem(const QString& text, const QString& hint, std::function<void()> action);
    /// Adds an item to the "File" menu, above "Exit".
    QAction* addFileMenuItem(const QString& text, const QString& hint, std::function<void()> action);

    /// Loads `path` as "Open" would after the dialog; false when it was refused
    /// (the error box has then been shown).
    bool loadFile(const QString& path);
    /// Loads `path` as headerless samples, as "Open raw..." does after its dialogs.
    bool loadRawFile(const QString& path, const RawParameters& parameters);

    MainView& view() { return m_view; }
    QString openFolder() const { return m_openFolder; }

    // Event handlers, named after the controls.
    void Open1Click();
    void OpenRaw1Click();
    void Exit1Click();
    void ZoomInClick();
    void ZoomOutClick();
    void ScrollBar1Change(int position);
    void AmpUpClick();
    void AmpNormalClick();
    void AmpDownClick();
    void ScrollBar2Change(int position);
    void SpinEdit1Change(int value);
    void CheckBox1Click(bool checked);
    void CheckBox2Click(bool checked);
    void EditKeyUp(TimeField field);
    void ShowSelectionClick();
    void AllClick();
    void MediaPlayer1Click();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void syncControls();
    void openOnActivation();
    bool applyLoad(const QString& path, const LoadResult& result);

    SignalState& m_s;
    MainView m_view;
    QString m_openFolder;
    FileChooser m_chooseFile;
    ErrorBox m_errorBox;
    RawAsker m_askRaw;
    RawParameters m_rawParameters;  // the last values of "Open raw..."
    Notifier m_notify;
    std::unique_ptr<AudioOutput> m_audio;
    std::function<void()> m_onExit;
    std::function<void()> m_onLoaded;
    bool m_opening = false;
    bool m_shownOnce = false;
    QElapsedTimer m_sinceDialog;  // activations right after our own dialog are not the user's

    WaveView* m_paintBox = nullptr;
    QScrollBar* m_timeScroll = nullptr;
    QScrollBar* m_zeroLine = nullptr;
    QPushButton* m_zoomIn = nullptr;
    QPushButton* m_zoomOut = nullptr;
    QPushButton* m_ampUp = nullptr;
    QPushButton* m_ampNormal = nullptr;
    QPushButton* m_ampDown = nullptr;
    QPushButton* m_showSelection = nullptr;
    QPushButton* m_all = nullptr;
    QSpinBox* m_channel = nullptr;
    QCheckBox* m_byteSwap = nullptr;
    QCheckBox* m_signFlip = nullptr;
    QLabel* m_parameters = nullptr;
    QLineEdit* m_fields[4] = {};
    QToolButton* m_play = nullptr;
    QMenu* m_fileMenu = nullptr;
};

}  // namespace kelvox
