#include "gui/plain_row_delegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace rvc::ui {

void CPlainRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyleOptionViewItem row = option;
  initStyleOption(&row, index);
  const QWidget* widget = row.widget;
  const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
  const bool enabled = (row.state & QStyle::State_Enabled) != 0;
  const bool selected = (row.state & QStyle::State_Selected) != 0;

  painter->save();
  style->drawPrimitive(QStyle::PE_PanelItemViewItem, &row, painter, widget);
  // The places the style gives an icon and a text beside it.
  const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
  QRect text = row.rect.adjusted(margin, 0, -margin, 0);
  if ((row.features & QStyleOptionViewItem::HasDecoration) != 0) {
    const QSize size = row.decorationSize;
    const QRect icon(text.left(), text.top() + (text.height() - size.height()) / 2, size.width(), size.height());
    const QIcon::Mode mode = !enabled ? QIcon::Disabled : selected ? QIcon::Selected : QIcon::Normal;
    row.icon.paint(painter, icon, Qt::AlignCenter, mode, QIcon::Off);
    text.setLeft(icon.right() + 1 + 2 * margin);
  }
  const QPalette::ColorGroup group =
      !enabled ? QPalette::Disabled : (row.state & QStyle::State_Active) != 0 ? QPalette::Normal : QPalette::Inactive;
  painter->setPen(row.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
  painter->setFont(row.font);
  painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, row.text);

  if ((row.state & QStyle::State_HasFocus) != 0) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(row);
    focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &row, widget);
    focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
    focus.backgroundColor =
        row.palette.color(enabled ? QPalette::Normal : QPalette::Disabled, selected ? QPalette::Highlight : QPalette::Window);
    style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
  }
  painter->restore();
}

}  // namespace rvc::ui
