#pragma once
// The grid's bridge to drag and drop with other programs.

// Whether drags offer and accept rich text; off at start.
void SetRTFAware(bool aware);
bool RTFAware();
