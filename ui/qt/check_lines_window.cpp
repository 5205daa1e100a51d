#include "ui/qt/check_lines_window.h"

#include <QBrush>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <iterator>

#include "ui/qt/ansi_text.h"
#include "ui/qt/qt_dialog.h"

namespace ui::qt {
namespace {

constexpr int kColumns = static_cast<int>(std::size(kCheckColumns));
constexpr int kShownColumn = 2;

QColor markColour(FitMark mark)
{
    switch (mark) {
    case FitMark::Fits:
        return QColor(0, 120, 0);
    case FitMark::DoesNotFit:
        return QColor(176, 0, 0);
    default:
        return QColor(110, 110, 110);
    }
}

// A fixed-width face the size of the window's text: the faces Windows and
// the usual Linux desktops have, then whatever the system calls fixed.
QFont fixedFont(const QFont& text)
{
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto Mono"),
                      QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (text.pixelSize() > 0)
        font.setPixelSize(text.pixelSize() + 1);
    else
        font.setPointSizeF(text.pointSizeF());
    return font;
}

QString joined(const std::vector<std::string>& lines)
{
    QStringList shown;
    for (const std::string& line : lines)
        shown << fromAnsi(line.c_str());
    return shown.join(QLatin1Char('\n'));
}

} // namespace

CheckLinesDialogQt::CheckLinesDialogQt(QtDialog& main)
    : QDialog(&main), main_(main), heading_(new QLabel(this)), table_(new QTableWidget(this)),
      arrangedNote_(new QLabel(this)), arranged_(new QLabel(this)),
      use_(new QPushButton(QStringLiteral("&Use these lines"), this)),
      back_(new QPushButton(QStringLiteral("&Back to my lines"), this)),
      close_(new QPushButton(QStringLiteral("Close"), this))
{
    setWindowTitle(QStringLiteral("Check lines"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(main.font());
    for (QLabel* label : {heading_, arrangedNote_, arranged_}) {
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(label != arranged_);
    }
    arranged_->setFont(fixedFont(font()));

    table_->setColumnCount(kColumns);
    QStringList headings;
    for (const char* heading : kCheckColumns)
        headings << QString::fromLatin1(heading);
    table_->setHorizontalHeaderLabels(headings);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setWordWrap(true);
    table_->setShowGrid(false);
    table_->setAlternatingRowColors(true);
    table_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    table_->setFocusPolicy(Qt::StrongFocus);

    close_->setDefault(true);
    connect(use_, &QPushButton::clicked, this, [this] { command(IdUseLines); });
    connect(back_, &QPushButton::clicked, this, [this] { command(IdBackToMyLines); });
    connect(close_, &QPushButton::clicked, this, [this] { command(IdOk); });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(use_);
    buttons->addWidget(back_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    auto* arrangement = new QVBoxLayout;
    arrangement->addWidget(arrangedNote_);
    arrangement->addWidget(arranged_);
    arrangement->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(arrangement, 1);
    bottom->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(table_, 1);
    layout->addLayout(bottom);
    // Tab: the table, then the buttons in their order.
    setTabOrder(table_, use_);
    setTabOrder(use_, back_);
    setTabOrder(back_, close_);

    const QFontMetrics metrics(font());
    resize(metrics.averageCharWidth() * 150, metrics.height() * 40);
    checkLinesCreate(*this, main_);
    table_->setFocus();
}

QPushButton* CheckLinesDialogQt::button(int id) const
{
    return id == IdUseLines ? use_ : id == IdBackToMyLines ? back_ : id == IdOk ? close_ : nullptr;
}

void CheckLinesDialogQt::show(const CheckLinesView& view)
{
    heading_->setText(fromAnsiNamingFiles(view.heading.c_str()));
    arrangedNote_->setText(fromAnsi(view.arrangedNote.c_str()));
    arranged_->setText(joined(view.arranged));
    arranged_->setVisible(!view.arranged.empty());
    // A button that is turned off while it has the focus hands it on.
    const bool hadFocus = use_->hasFocus() || back_->hasFocus();
    use_->setEnabled(view.canUse);
    back_->setEnabled(view.canGoBack);
    if (hadFocus && !focusWidget()->isEnabled())
        (view.canUse ? use_ : view.canGoBack ? back_ : close_)->setFocus();

    const QFont fixed = arranged_->font();
    table_->clearContents();
    table_->setRowCount(static_cast<int>(view.rows.size()));
    for (int r = 0; r < table_->rowCount(); ++r) {
        const CheckRow& row = view.rows[static_cast<std::size_t>(r)];
        const QString cells[] = {fromAnsi(row.language.c_str()), fromAnsi(row.markText.c_str()),
                                 row.shown.empty() ? fromAnsi(row.shownNote.c_str()) : joined(row.shown),
                                 fromAnsi(row.change.c_str())};
        for (int column = 0; column < kColumns; ++column) {
            auto* cell = new QTableWidgetItem(cells[column]);
            cell->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (column == 1)
                cell->setForeground(QBrush(markColour(row.mark)));
            if (column == kShownColumn && !row.shown.empty())
                cell->setFont(fixed);
            table_->setItem(r, column, cell);
        }
    }
    for (int column = 0; column < kColumns - 1; ++column)
        table_->resizeColumnToContents(column);
    table_->resizeRowsToContents();
}

void CheckLinesDialogQt::command(int id)
{
    checkLinesCommand(*this, main_, id);
}

void CheckLinesDialogQt::reject()
{
    command(IdCancel);
}

} // namespace ui::qt
