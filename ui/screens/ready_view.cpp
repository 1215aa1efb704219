// The ready screen: who the application is and every path its removal deletes.

#include <QBuffer>
#include <QImageReader>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QVBoxLayout>

#include "selection/row_selection.h"
#include "ui/screens/path_list.h"
#include "ui/screens/screen_parts.h"
#include "ui/screens/screens.h"
#include "ui/screens/search_notices.h"
#include "ui/symbols.h"
#include "ui/theme.h"

namespace quillmere::ui {

namespace {

constexpr int kIconSide = 80;

// The platform's thin separator, inset on both sides.
class Divider : public QWidget {
public:
  Divider(int inset, QWidget* parent) : QWidget(parent), inset_(inset) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  }

protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    QColor line = color(NamedColor::Primary);
    line.setAlphaF(0.1);
    painter.fillRect(rect().adjusted(inset_, 0, -inset_, 0), line);
  }

private:
  int inset_;
};

// The image of an icon file, stretched to side × side points. A bundle icon
// holds several sizes; pick the smallest that is still sharp at this
// screen's pixel ratio (decoding every 1024-pixel image would be wasted work).
QPixmap decodeIcon(const IconImage& icon, int side, qreal ratio) {
  QByteArray bytes(icon.data.data(), static_cast<qsizetype>(icon.data.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const int wanted = qCeil(side * ratio);
  int best = 0;
  int bestWidth = reader.size().width();
  for (int i = 1; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
    const int width = reader.size().width();
    const bool sharper = bestWidth < wanted && width > bestWidth;
    const bool cheaper = width >= wanted && width < bestWidth;
    if (sharper || cheaper) {
      best = i;
      bestWidth = width;
    }
  }
  QImage image;
  if (reader.jumpToImage(best) || best == 0) reader.read(&image);
  if (image.isNull()) image = QImage::fromData(bytes);  // a reader that cannot step
  if (image.isNull()) return {};
  QPixmap pixmap = QPixmap::fromImage(image.scaled(wanted, wanted, Qt::IgnoreAspectRatio,
                                                   Qt::SmoothTransformation));
  pixmap.setDevicePixelRatio(ratio);
  return pixmap;
}

}  // namespace

ReadyView::ReadyView(QWidget* parent) : QWidget(parent) {
  auto* content = new QWidget(this);
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->setSpacing(16);

  icon_ = new QLabel(content);
  icon_->setObjectName(QStringLiteral("icon"));
  icon_->setAlignment(Qt::AlignCenter);
  followAppearance(icon_, [this] { showIcon(); });
  layout->addWidget(icon_, 0, Qt::AlignHCenter);

  name_ = wrappedText(QStringLiteral("name"), ui::font(TextStyle::Title2, true), NamedColor::Primary, content);
  layout->addWidget(name_);

  // Hidden when the record has none; a hidden child takes no gap either.
  identifier_ =
      wrappedText(QStringLiteral("bundleIdentifier"), ui::font(TextStyle::Caption), NamedColor::Secondary, content);
  layout->addWidget(identifier_);

  layout->addWidget(new Divider(40, content));

  auto* section = new QWidget(content);
  auto* sectionLayout = new QVBoxLayout(section);
  sectionLayout->setContentsMargins(30, 0, 30, 0);
  sectionLayout->setSpacing(8);
  // The heading, and what the selected rows take on disk at the line's end.
  auto* headingRow = new QHBoxLayout;
  headingRow->setContentsMargins(0, 0, 0, 0);
  heading_ = textLabel(QString(), ui::font(TextStyle::Subheadline, true), NamedColor::Primary,
                       section);
  heading_->setObjectName(QStringLiteral("heading"));
  heading_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  headingRow->addWidget(heading_);
  total_ = textLabel(QString(), ui::font(TextStyle::Subheadline), NamedColor::Secondary, section);
  total_->setObjectName(QStringLiteral("totalSize"));
  total_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  total_->hide();
  headingRow->addWidget(total_, 1);
  sectionLayout->addLayout(headingRow);
  // A filter over a long list, and the whole shown list chosen or left out
  // at once; rows the filter hides keep their choice.
  auto* tools = new QHBoxLayout;
  tools->setContentsMargins(0, 0, 0, 0);
  tools->setSpacing(12);
  filter_ = new QLineEdit(section);
  filter_->setObjectName(QStringLiteral("filter"));
  filter_->setPlaceholderText(tr("Filter"));
  filter_->setClearButtonEnabled(true);
  filter_->setFont(ui::font(TextStyle::Caption));
  tools->addWidget(filter_, 1);
  for (const bool selected : {true, false}) {
    // Links, as the header's: a flat push button shows no focus, and Tab
    // would seem to go nowhere.
    auto* button = new PlainButton(selected ? tr("Select all") : tr("Select none"), NamedColor::Blue,
                                   ui::font(TextStyle::Caption), false, section);
    button->setObjectName(selected ? QStringLiteral("selectAll") : QStringLiteral("selectNone"));
    connect(button, &QAbstractButton::clicked, this,
            [this, selected] { emit selectRowsRequested(paths_->shownRows(), selected); });
    tools->addWidget(button);
  }
  sectionLayout->addLayout(tools);

  paths_ = new PathListModel(this);
  list_ = new PathListView(section);
  list_->setObjectName(QStringLiteral("fileList"));
  list_->setModel(paths_);
  list_->setItemDelegate(new PathRowDelegate(list_));
  // A row whose reason does not fit beside its path is taller; a list of
  // another width lays its rows out again (word wrap asks the view to).
  list_->setWordWrap(true);
  // Heights make the view measure every row at each layout: 100,000 rows are
  // measured a slice at a time between events, so the window never waits.
  list_->setLayoutMode(QListView::Batched);
  list_->setBatchSize(2000);
  list_->setSelectionMode(QAbstractItemView::NoSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  list_->setFrameShape(QFrame::NoFrame);
  list_->viewport()->setAutoFillBackground(false);
  list_->setAutoFillBackground(false);
  // Takes what the other children leave free: a taller window shows more
  // rows, a short one keeps at least two.
  list_->setMinimumHeight(QFontMetrics(ui::font(TextStyle::Caption)).height() * 2);
  list_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
  // The view's rows are the filter's; the requests name the listed rows.
  connect(list_, &PathListView::toggleRequested, this, [this](int row) {
    if (const std::size_t listed = paths_->sourceRow(row); listed != SIZE_MAX) emit toggleRequested(int(listed));
  });
  connect(list_, &PathListView::revealRequested, this, [this](int row) {
    if (const std::size_t listed = paths_->sourceRow(row); listed != SIZE_MAX) emit revealRequested(int(listed));
  });
  connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) {
    paths_->setFilter(text);
    list_->scrollToTop();
  });
  sectionLayout->addWidget(list_, 1);
  notices_ = new SearchNotices(section);
  notices_->setObjectName(QStringLiteral("searchNotices"));
  sectionLayout->addWidget(notices_);
  layout->addWidget(section, 1);

  uninstall_ = new FilledButton(tr("Uninstall App"), NamedColor::Red, content);
  uninstall_->setObjectName(QStringLiteral("uninstallButton"));
  uninstall_->setSymbol(QStringLiteral("trash.fill"));
  uninstall_->setCornerRadius(10);
  uninstall_->setFixedSize(200, 40);
  connect(uninstall_, &QAbstractButton::clicked, this, &ReadyView::uninstallRequested);
  layout->addWidget(uninstall_, 0, Qt::AlignHCenter);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(content);
}

void ReadyView::setApp(const AppInfo& app, const RowSelection* rows, bool measuring) {
  paths_->setPaths(nullptr);  // the list must not see the old record go away
  app_ = &app;
  rows_ = rows && rows->size() == app.rows.size() ? rows : nullptr;
  showIcon();

  name_->setText(visibleText(QString::fromStdString(app.name())));
  const auto& identifier = app.bundleIdentifier();
  identifier_->setText(identifier ? QString::fromStdString(*identifier) : QString());
  identifier_->setVisible(identifier.has_value());

  paths_->setPaths(&app_->rows, rows_);
  filter_->clear();
  notices_->show(app);
  list_->scrollToTop();
  refreshRows(measuring);
}

void ReadyView::setHome(const std::string& home) { paths_->setHome(home); }

void ReadyView::clear() {
  paths_->setPaths(nullptr);
  app_ = nullptr;
  rows_ = nullptr;
}

void ReadyView::refreshRows(bool measuring) {
  if (!app_) return;
  // Counts and sizes are those of the rows still selected.
  const size_t count = rows_ ? rows_->selectedCount() : app_->rows.size();
  heading_->setText(tr("The following %n files will be deleted:", nullptr, static_cast<int>(count)));
  uninstall_->setEnabled(count > 0 || app_->rows.empty());
  paths_->rowsChanged();
  // A running total says so with an ellipsis until the last size is in.
  const std::uint64_t total = rows_ ? rows_->selectedSize() : 0;
  const bool shown = rows_ && count > 0 && rows_->measuredCount() > 0;
  total_->setText(shown ? dataSizeText(total) + (measuring ? QStringLiteral("…") : QString()) : QString());
  total_->setVisible(shown);
}

void ReadyView::showIcon() {
  if (!app_) return;
  QPixmap icon;
  if (app_->icon()) icon = decodeIcon(*app_->icon(), kIconSide, devicePixelRatioF());
  if (icon.isNull()) {
    icon = symbolPixmap(QStringLiteral("app.fill"), 60, color(NamedColor::Blue), devicePixelRatioF());
    icon_->setFixedSize(icon.size() / icon.devicePixelRatio());
  } else {
    icon_->setFixedSize(kIconSide, kIconSide);
  }
  icon_->setPixmap(icon);
}

}  // namespace quillmere::ui
