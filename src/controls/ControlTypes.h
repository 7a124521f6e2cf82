#pragma once

// Enumerations shared by the display and entry controls.

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// Docking of a control in its parent (kept simple: no stacking of siblings).
enum TAlign { alNone = 0, alTop, alBottom, alLeft, alRight, alClient };

enum TBevelCut { bvNone = 0, bvLowered, bvRaised, bvSpace };
