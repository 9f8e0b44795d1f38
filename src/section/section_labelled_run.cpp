// The section run driven by control labels, for kelvox-render.
#include "parse_number.h"
#include "section_run.h"

#include <cstdio>
#include <memory>

namespace kelvox {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

class SectionLabelledRun : public LabelledRun {
public:
    SectionLabelledRun(SignalState& signal, PlotDevice& plot, AnalysisWorkspace& ws, std::string& labelFileName)
        : m_plot(plot), m_run(signal, plot, ws, labelFileName)
    {
    }

    std::vector<ControlInfo> controls() const override { return sectionControlInfo(); }

    bool set(std::string_view label, std::string_view value, std::string& error) override
    {
        return applySectionControl(m_controls, label, value, error);
    }

    bool setDataOutput(std::string_view option, const std::string& path, std::string& error) override
    {
        if (option != "--values")
            return LabelledRun::setDataOutput(option, path, error);
        File file(std::fopen(path.c_str(), "w"));
        if (!file) {
            error = "--values: cannot write " + path;
            return false;
        }
        m_valuesPath = path;
        return true;
    }

    void run(int dpi, PageHost& host) override
    {
        File values;
        if (!m_valuesPath.empty()) {
            values.reset(std::fopen(m_valuesPath.c_str(), "w"));
            if (values)
                std::fputs("section,time_s,x,value\n", values.get());
        }
        // Without a values file the sections need not be gathered at all.
        if (values)
            m_run.setSectionObserver([&values](const DrawnSection& s) {
                for (std::size_t i = 0; i < s.x.size(); ++i)
                    std::fputs(format("%d,%.6f,%.9g,%.4f\n", s.number, s.timeSeconds, s.x[i], s.readout[i]).c_str(),
                               values.get());
            });
        m_run.run(m_controls, beginPageAt(m_plot, dpi), host);
        m_run.setSectionObserver({});
    }

    std::vector<std::string> replacements() const override { return m_run.replacements(); }

    void setHelperThread(bool on) override { m_run.setHelperThread(on); }

private:
    PlotDevice& m_plot;
    SectionRun m_run;
    SectionControls m_controls;
    std::string m_valuesPath;
};

}  // namespace

std::unique_ptr<LabelledRun> makeSectionLabelledRun(SignalState& signal, PlotDevice& plot, AnalysisWorkspace& ws,
                                                    std::string& labelFileName)
{
    return std::make_unique<SectionLabelledRun>(signal, plot, ws, labelFileName);
}

}  // namespace kelvox
