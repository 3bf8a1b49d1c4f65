#include "processing/chains.h"
  #  include <QImage>
