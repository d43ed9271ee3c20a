#include "gui/about_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>
#include <QtGlobal>

#include "gui/library_licences.h"
#include "platform/sys_msgbox.h"

QString AboutDialog::Text() {
  QString text = QStringLiteral("<h2>%1</h2>").arg(QString::fromUtf8(SYS_FullAppName()));
  text += QStringLiteral("<p>A dashboard for embedded targets: live values of a firmware's "
                         "variables, sampled through a Veltra probe.</p>");
  text += QStringLiteral("<p>Version %1, built %2<br>Running on Qt %3</p>")
              .arg(QString::fromUtf8(SYS_PRODUCT_VERSION), QStringLiteral(__DATE__),
                   QString::fromLatin1(qVersion()));
  text += QStringLiteral("<p>Licence: %1 (see the file LICENSE that comes with the program)</p>")
              .arg(QString::fromUtf8(kProgramLicence));
  text += QStringLiteral("<p><b>Libraries used</b></p><table cellspacing=\"4\">");
  for (const LibraryLicence& lib : kLibraryLicences) {
    text += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                .arg(QString::fromUtf8(lib.name), QString::fromUtf8(lib.licence),
                     QString::fromUtf8(lib.use));
  }
  text += QStringLiteral("</table>");
  return text;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("About Vistro"));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(Text());
  label->setTextInteractionFlags(Qt::TextBrowserInteraction);
  label->setOpenExternalLinks(true);
  layout->addWidget(label);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}
