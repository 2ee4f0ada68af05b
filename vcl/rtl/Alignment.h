// TAlignment: horizontal text alignment, shared by fields (how a grid shows their values) and controls
// (labels, panels). One definition, so that units using both see the same type.
#pragma once

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
