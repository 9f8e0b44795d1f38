#include "section_look_ahead.h"

namespace kelvox {

SectionLookAhead::SectionLookAhead(int depth) : m_worker(depth) {}

void SectionLookAhead::prepare(const AnalysisWorkspace& ws, const SectionSettings& settings)
{
    m_worker.stop();
    m_ws = ws;
    m_settings = settings;
    m_analyser.prepare(m_settings);
}

void SectionLookAhead::start(const SignalState& signal, std::vector<PlannedSection> sections)
{
    m_worker.stop();
    m_signal = &signal;
    m_worker.start(std::move(sections),
                   [this](const PlannedSection& planned, AnalysedSection& section) { make(planned, section); });
}

void SectionLookAhead::make(const PlannedSection& planned, AnalysedSection& section)
{
    m_settings.currentTime = planned.time;
    m_settings.readPosition = planned.readPosition;
    m_analyser.analyse(*m_signal, m_ws, m_settings, planned.nextTime);
    section.time = planned.time;
    section.readPosition = planned.readPosition;
    section.levels = m_analyser.levels();
    section.average = m_analyser.averageSpectrum();
}

const AnalysedSection* SectionLookAhead::take(int64_t readPosition)
{
    return m_worker.take(
        [readPosition](const PlannedSection& planned) { return planned.readPosition == readPosition; });
}

}  // namespace kelvox
