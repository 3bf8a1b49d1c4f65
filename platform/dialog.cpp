#include "platform/dialog.h"

#include <algorithm>

namespace tessaline {

DialogControl* DialogForm::find(int id) {
    const auto at = std::find_if(controls.begin(), controls.end(),
                                 [id](const DialogControl& control) { return control.id == id; });
    return at == controls.end() ? nullptr : &*at;
}

const DialogControl* DialogForm::find(int id) const { return const_cast<DialogForm*>(this)->find(id); }

}  // namespace tessaline
