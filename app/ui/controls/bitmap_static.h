#pragma once
// CBitmapStatic: a picture control that can draw its picture with white (255, 255, 255) left
// out, so that the window's background shows through.

#include <QLabel>
#include <QPixmap>

namespace tagforge::ui {

class CBitmapStatic : public QLabel {
  public:
    explicit CBitmapStatic(QWidget* parent = nullptr) : QLabel(parent) {}

    void SetTransparent(bool transparent);
    bool IsTransparent() const { return m_transparent; }

  protected:
    // Transparent (the flag, or the translucent-background attribute) and with a picture: the
    // picture at the top left without its white pixels. Otherwise the label paints as usual.
    void paintEvent(QPaintEvent* event) override;

  private:
    bool m_transparent = false;
};

}  // namespace tagforge::ui
