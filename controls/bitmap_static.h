#pragma once
// A fixed picture from the program's resources, shown at its natural size in
// the top-left corner of the template control it takes over.
#include <QWidget>

class CBitmapStatic : public QWidget {
    Q_OBJECT
public:
    explicit CBitmapStatic(int bitmapId);
    ~CBitmapStatic() override;

    int BitmapId() const { return m_nBitmapId; }
    int PaintCount() const { return m_nPaintCount; }

protected:
    void paintEvent(class QPaintEvent* event) override;

private:
    int m_nBitmapId;
    int m_nPaintCount = 0;
};
