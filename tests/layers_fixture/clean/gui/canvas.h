#pragma once
#include <QImage>
#include <QtGui/QPainter>

#include "app/state.h"
#include "draw/canvas.h"
