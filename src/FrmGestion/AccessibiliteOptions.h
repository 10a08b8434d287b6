#pragma once

class QRadioButton;

// The search-mode buttons as assistive technology works them: a Press or a
// Toggle action clicks the button, so the mode's procedure runs once, as for
// a mouse click (Qt's own Toggle only checks the button). The window's own
// initial selection is no action and runs nothing.
void RendreOptionAccessible(QRadioButton *option);
