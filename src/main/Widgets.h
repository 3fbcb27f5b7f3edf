#pragma once

#include <QLabel>
#include <QWidget>

class QSvgRenderer;

// A label that acts as a link: hand cursor, a click (or Enter/Space once it has the
// keyboard focus, so keyboard users reach it too) raises clicked().
class LinkLabel : public QLabel {
    Q_OBJECT
  public:
    explicit LinkLabel(QWidget *parent = nullptr);

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

  private:
    bool m_pressed = false;
};

// A picture drawn from an SVG file, stretched to the widget's box at any scale.
class SvgPicture : public QWidget {
    Q_OBJECT
  public:
    SvgPicture(const QString &fileName, QWidget *parent = nullptr);

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QSvgRenderer *m_renderer;
};
