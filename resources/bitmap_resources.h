#pragma once
// The program's bitmap resources by id: 104 the product logo on the Main
// Panel's banner, 105 the standards-style mark beside it.
#include <QImage>

// A fresh copy of the bitmap with resource id `id`; a null image for an id
// that is not among the resources.
QImage LoadBitmapResource(int id);
