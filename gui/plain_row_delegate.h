// Paints the rows of a list of names (an icon and one line of text) with one text layout
// per row. Qt's item delegate lays each row's text out three times to paint it (to place
// the icon and the text, to see whether it must be elided, and to draw it), which made a
// list the costliest part of a dialog's first frame. The row looks the same; a name wider
// than the row is cut instead of elided.
#pragma once

#include <QStyledItemDelegate>

namespace rvc::ui {

class CPlainRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace rvc::ui
