#include "controls/text_layout.h"

namespace {
TextRect Shrunk(const TextRect& r, int by)
{
    return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}
} // namespace

TextFieldLayout LayoutTextField(int width, int height, bool border, int textWidth, int textHeight)
{
    TextFieldLayout l;
    const TextRect client{0, 0, width, height};
    l.inner = Shrunk(client, 2);
    if (border)
        l.fill = Shrunk(client, 3);
    // Integer division truncates toward zero, as the centring always has.
    l.textY = l.inner.Height() > textHeight ? l.inner.top + (l.inner.Height() - textHeight) / 2 : 0;
    l.textX = l.inner.Width() > textWidth ? l.inner.left + (l.inner.Width() - textWidth) / 2 : 0;
    return l;
}
