// Raising a control's event: the handler runs with its form marked busy, so that actions posted
// for when the form is idle wait until the outermost handler has returned.
#pragma once

#include <utility>

#include "common/ui/form.h"

namespace ui::detail {

template <class F>
void raise(Form& form, F&& f) {
    Form::Busy busy(form);
    std::forward<F>(f)();
}

}  // namespace ui::detail
