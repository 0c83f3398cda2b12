#include "app/gui/help_page.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace ordrex::gui {

QString ManualPath() {
  const QString installed =
      QCoreApplication::applicationDirPath() + "/../" + QString(ORDREX_MANUAL_INSTALLED);
  for (const QString& candidate : {installed, QString(ORDREX_MANUAL_SOURCE)}) {
    if (QFileInfo(candidate).isFile()) return QFileInfo(candidate).canonicalFilePath();
  }
  return {};
}

HelpPage::HelpPage(GuiDialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
  auto* picture = new QLabel(this);
  picture->setPixmap(ProgramIcon().pixmap(64, 64));
  auto* title = new QLabel(tr("<h2>Zentrix Ordrex %1</h2>").arg(ORDREX_VERSION), this);
  auto* about = new QLabel(
      tr("Ordrex finds registry entries that point at files, programs and classes that are no "
         "longer there, in a Wine prefix, and removes the ones you leave ticked. Every repair "
         "first saves a backup that puts back what it changed."),
      this);
  about->setWordWrap(true);
  auto* manual = new QPushButton(tr("Open the Manual"), this);
  manual->setObjectName("btnOpenManual");
  connect(manual, &QPushButton::clicked, this, &HelpPage::OpenManual);

  QString contact;
  const QString mail = ORDREX_CONTACT_EMAIL;
  const QString site = ORDREX_CONTACT_URL;
  if (!mail.isEmpty()) contact += tr("E-mail: <a href=\"mailto:%1\">%1</a><br>").arg(mail);
  if (!site.isEmpty()) contact += tr("Web site: <a href=\"%1\">%1</a><br>").arg(site);
  contact +=
      tr("When you report a problem, please include what <tt>ordrex-cli info</tt> "
         "prints for your prefix; the manual's last section says more.");
  auto* contactLabel = new QLabel(contact, this);
  contactLabel->setObjectName("lblContact");
  contactLabel->setWordWrap(true);
  contactLabel->setTextFormat(Qt::RichText);
  contactLabel->setOpenExternalLinks(false);
  connect(contactLabel, &QLabel::linkActivated, this,
          [this](const QString& link) { dialogs_.OpenUrl(QUrl(link)); });

  auto* heading = new QHBoxLayout;
  heading->addWidget(picture);
  heading->addWidget(title, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(manual);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(heading);
  layout->addWidget(about);
  layout->addLayout(buttons);
  layout->addWidget(contactLabel);
  layout->addStretch(1);
}

void HelpPage::OpenManual() {
  const QString path = ManualPath();
  if (path.isEmpty()) {
    dialogs_.ShowError(this, tr("The manual is not installed. It is the file manual.html in the "
                                "documentation folder of Ordrex."));
    return;
  }
  if (!dialogs_.OpenUrl(QUrl::fromLocalFile(path))) {
    dialogs_.ShowError(this, tr("No program is set up to open %1.").arg(path));
  }
}

QIcon ProgramIcon() {
  const QIcon themed = QIcon::fromTheme("ordrex");
  if (!themed.isNull() && !themed.availableSizes().isEmpty()) return themed;
  // The installed picture, drawn with the same shapes.
  QPixmap pixmap(256, 256);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient back(0, 0, 0, 256);
  back.setColorAt(0, QColor("#3d7fd9"));
  back.setColorAt(1, QColor("#1f4f9a"));
  painter.setBrush(back);
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(12, 12, 232, 232), 40, 40);
  QPen branch(Qt::white, 12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(branch);
  painter.drawLine(64, 60, 64, 196);
  for (const int y : {92, 140, 188})
    painter.drawLine(64, y, 104, y);
  painter.setPen(Qt::NoPen);
  for (const int y : {78, 126, 174}) {
    painter.setBrush(y == 174 ? QColor(255, 255, 255, 90) : QColor(Qt::white));
    painter.drawRoundedRect(QRectF(108, y, 88, 28), 6, 6);
  }
  painter.setBrush(QColor("#2fb35a"));
  painter.setPen(QPen(Qt::white, 8));
  painter.drawEllipse(QPointF(188, 68), 40, 40);
  painter.setPen(branch);
  painter.setBrush(Qt::NoBrush);
  QPainterPath check;
  check.moveTo(168, 68);
  check.lineTo(183, 83);
  check.lineTo(209, 54);
  painter.drawPath(check);
  painter.end();
  return QIcon(pixmap);
}

}  // namespace ordrex::gui
