#pragma once
// Where a framed text field puts its border, its fill and its text. Pure
// arithmetic on the control's client size and the text's measured extent.

struct TextRect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const TextRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

struct TextFieldLayout {
    // The client rectangle shrunk by 2: the border runs along its edges and
    // the text is clipped to it.
    TextRect inner;
    // The client rectangle shrunk by 3: the background fill. Empty when the
    // field has no border (nothing is filled then).
    TextRect fill;
    // Where the text's top-left corner goes, in client coordinates.
    int textX = 0;
    int textY = 0;
};

// `width` x `height` is the client size, `textWidth` x `textHeight` the text's
// extent in the font it is drawn in. Text that does not fit one way starts at
// the client origin's 0 that way, so its first pixels fall to the clipping.
TextFieldLayout LayoutTextField(int width, int height, bool border, int textWidth, int textHeight);
