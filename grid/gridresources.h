#pragma once
// The grid's built-in bitmaps (check boxes, radio items, node glyphs, the
// filter glyph, the wheel-click marks) and its pan cursors, registered as
// program resources under their names and numbers. Drawn here from simple
// shapes.

// Registers them; runs when the grid library loads, and again harmlessly.
void RegisterGridResources();
