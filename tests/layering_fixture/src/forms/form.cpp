#include "core.h"
#include "page.h"

#include <QWidget>
