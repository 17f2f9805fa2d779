// Drop-down lists and the mouse wheel: a list changes its value under the wheel only once
// the user has clicked into it (or tabbed to it). A wheel turned over a list without the
// focus goes on to the window around it, which scrolls as if the list were not there.
#pragma once

class QComboBox;

namespace zelvar {

// Takes the wheel away from `list` while it has no focus; the wheel no longer gives it
// the focus either. Arrow keys and the drop-down work as before.
void guardWheel(QComboBox *list);

} // namespace zelvar
