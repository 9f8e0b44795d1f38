# A small project whose build breaks every rule the layering test knows.
kelvox_layer(core)
kelvox_layer(page   core Qt6::Gui)
kelvox_layer(forms  page Qt6::Widgets Qt6::Multimedia)
kelvox_layer(ghost  core)
set(kelvox_qt_free core)
