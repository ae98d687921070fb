#pragma once
// The camera window's bitmap buttons: an up and a down bitmap, a control id,
// and the clicked command sent to the parent window. The take-picture pair
// (CTwinButton) shows both buttons pressed while either is held down.

#include <QAbstractButton>
#include <QImage>

namespace ostrel2 {

class CSkinButton : public QAbstractButton {
public:
    CSkinButton(int id, int upBitmap, int downBitmap, QWidget* parent);
    int id() const { return id_; }
    // Shown pressed whatever the mouse does (the twin's partner is held).
    void setForcedDown(bool down);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int id_;
    QImage up_;
    QImage down_;
    bool forcedDown_ = false;
};

class CTwinButton : public CSkinButton {
public:
    using CSkinButton::CSkinButton;
    void setTwin(CTwinButton* twin) { twin_ = twin; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    CTwinButton* twin_ = nullptr;
};

} // namespace ostrel2
