# Which target of src/ links which: the one place that states how the layers depend
# on each other. Links point one way:
#   app → forms → runs → analysis → plot_core, signal_core.
# The layering test (tests/check_layering.cmake) holds the real target_link_libraries
# of every target under src/ to this table, both ways, and refuses an #include of a
# header whose target the including target does not reach through its links. A
# changed link goes into the target's CMakeLists.txt and here, in the same commit.

# The kernels and file loading: no Qt at all.
kelvox_layer(signal_core        PkgConfig::SNDFILE Threads::Threads)
kelvox_layer(plot_units)
kelvox_layer(analysis_core      signal_core plot_units Threads::Threads)

# The page image, printing, and the hosts that drive page runs.
kelvox_layer(plot_core          plot_units signal_core Qt6::Gui)
kelvox_layer(plot_print         plot_core Qt6::PrintSupport)
kelvox_layer(plot_hosts         plot_core Qt6::Core)

# The spectrogram page routines and the three runs: QtGui through the plot device.
kelvox_layer(analysis_page      analysis_core plot_core)
kelvox_layer(spectrogram_run    analysis_page analysis_core plot_core signal_core)
kelvox_layer(section_run        analysis_core plot_core signal_core)
kelvox_layer(waveform_run       plot_core signal_core)

# The forms.
kelvox_layer(plot_forms         plot_core plot_hosts Qt6::Widgets)
kelvox_layer(signal_forms       signal_core plot_core Qt6::Widgets Qt6::Multimedia)
kelvox_layer(spectrogram_forms  spectrogram_run plot_forms Qt6::Widgets)
kelvox_layer(section_forms      section_run plot_forms Qt6::Widgets)
kelvox_layer(waveform_forms     waveform_run plot_forms Qt6::Widgets)

# The programs.
kelvox_layer(kelvox_state       signal_core analysis_core plot_core plot_hosts)
kelvox_layer(kelvox_app         kelvox_state signal_forms plot_forms plot_print plot_hosts
                                spectrogram_forms waveform_forms section_forms analysis_core Qt6::Widgets)
kelvox_layer(kelvox_render_lib  kelvox_state spectrogram_run section_run waveform_run plot_core
                                plot_print plot_hosts analysis_core signal_core Qt6::Widgets)
kelvox_layer(kelvox             kelvox_app)
kelvox_layer(kelvox-render      kelvox_render_lib)
kelvox_layer(kelvox-screenshots kelvox_app Qt6::Test)

# Targets that must not reach any Qt module, however they are linked.
set(kelvox_qt_free signal_core plot_units analysis_core)
