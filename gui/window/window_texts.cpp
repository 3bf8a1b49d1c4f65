#include "gui/window/window_texts.h"

#include <QCoreApplication>
#include <string>

namespace tessaline {

QString windowText(std::string_view text) {
    const std::string source(text);
    return QCoreApplication::translate("Tessaline", source.c_str());
}

}  // namespace tessaline
