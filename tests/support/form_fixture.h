#pragma once
// What the analysis-window tests share: a program state with a loaded tone, a
// recording print service, and a clicker that presses "View next" while a
// preview waits.

#include "analysis_workspace.h"
#include "label_marks.h"
#include "page_hosts.h"
#include "plot_device.h"
#include "recording_print_service.h"
#include "signal_state.h"
#include "sound_file.h"
#include "sound_files.h"

#include <QPushButton>
#include <QTimer>

#include <functional>
#include <string>

namespace kelvox::test {

struct FormFixture {
    SignalState signal;
    PlotDevice plot;
    RunCoordinator runs;
    RecordingPrintService printer;
    AnalysisWorkspace analysis;
    std::string labelFile;  // the shared label-file name
    LabelChoice labelChoice;  // the label file chosen instead

    /// Loads a mono tone of `seconds` at `rate` as the main window would.
    void loadTone(double seconds, int rate = 16000, int channels = 1)
    {
        const int frames = static_cast<int>(seconds * rate);
        const Bytes wav = makeWav({.channels = channels, .rateHz = rate},
                                  pcm16(sine(220, rate, frames * channels, 9000)));
        loadSoundBytes(wav, "/tmp/tone.wav", signal, 665, 201);
        plot.setPrintService(&printer);
    }
};

/// Clicks `button` whenever it is enabled, every few milliseconds, counting the
/// clicks: a user stepping through a preview with "View next".
class NextClicker {
public:
    explicit NextClicker(QPushButton* button, int maxClicks = 1000) : m_button(button), m_max(maxClicks)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_button->isEnabled() && m_clicks < m_max) {
                ++m_clicks;
                m_button->click();
            }
        });
        m_timer.start(2);
    }
    int clicks() const { return m_clicks; }

private:
    QPushButton* m_button;
    int m_max;
    int m_clicks = 0;
    QTimer m_timer;
};

/// A user who acts while a preview waits for "View next": `atFirstWait` at the
/// first wait (it may change settings and press "Preview" again, or press "View
/// next" itself), "View next" at every later one. Counts the waits seen.
class WaitingUser {
public:
    WaitingUser(QPushButton* next, std::function<void()> atFirstWait)
        : m_next(next), m_atFirstWait(std::move(atFirstWait))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (!m_next->isEnabled())
                return;
            if (++m_waits == 1)
                m_atFirstWait();
            else
                m_next->click();
        });
        m_timer.start(2);
    }
    int waits() const { return m_waits; }

private:
    QPushButton* m_next;
    std::function<void()> m_atFirstWait;
    int m_waits = 0;
    QTimer m_timer;
};

}  // namespace kelvox::test
