#include "page.h"
#include "orphan.h"

#include <QImage>
#include <QNoSuchHeader>
#include <QWidget>
