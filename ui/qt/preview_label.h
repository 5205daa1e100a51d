// A preview field over the picture: its line centred in the preview font,
// or in the largest smaller size of it that fits the field.
#pragma once

#include <QLabel>

namespace ui::qt {

class PreviewLabel : public QLabel {
public:
    explicit PreviewLabel(QWidget* parent) : QLabel(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui::qt
