#pragma once
// TForm1, the main window: the loaded recording's waveform view with zoom,
// scrolling, amplitude, zero line, channel, the two encoding check boxes, the
// selection by mouse or typed times, "S", "All", Play and the main menu. The
// arithmetic lives in MainView; this form forwards events and mirrors states.

#include "main_view.h"
#include "program_memory.h"
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
class QKeyEvent;
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
    /// The view's size in the window's classic (and smallest) size, 705 × 275
    /// below the menu bar.
    static constexpr int kViewWidth = 665;
    static constexpr int kViewHeight = 201;
    static constexpr int kClientWidth = 705;
    static constexpr int kClientHeight = 275;

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

    /// The window starts at its classic size and may be made larger: the view
    /// grows with it. `memory`, when given, supplies and keeps the open dialog's
    /// folder and the Recent list (it must outlive the window).
    TForm1(SignalState& state, QWidget* parent = nullptr);
    ~TForm1() override;
    void setMemory(ProgramMemory* memory);

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
    /// The Recent list as File → "Recent" shows it, newest first.
    QStringList recentFiles() const;

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
    /// The mouse over the view at column x (no button held): the read-out line.
    void PaintBox1MouseMove(int x);
    void PaintBox1MouseLeave();
    /// The wheel over the view: scrolls in time, a tenth of the view per notch
    /// (down: later); with Ctrl it zooms as "+" (up) and "-" (down) do.
    void PaintBox1Wheel(QPoint angleDelta, Qt::KeyboardModifiers modifiers);
    /// Left and Right: scroll by a tenth of the view.
    void ArrowKey(int key);

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildRecentMenu();
    void refreshRecentMenu();
    /// Places the controls for a client area of `size`: the view takes what the
    /// window has beyond its classic size, the controls right of and below it move.
    void layoutControls(QSize size);
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
    ProgramMemory m_ownMemory;  // used when no memory is given
    ProgramMemory* m_memory = &m_ownMemory;
    bool m_opening = false;
    bool m_shownOnce = false;
    int m_wheelRest = 0;          // wheel angle not yet turned into notches
    int m_readoutX = -1;          // the mouse's column over the view, -1 when away
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
    QLabel* m_readout = nullptr;
    QLineEdit* m_fields[4] = {};
    QToolButton* m_play = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_recentMenu = nullptr;
    QAction* m_exit = nullptr;
};

}  // namespace kelvox
