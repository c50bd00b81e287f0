#include "tests/support/app_fixture.h"

#include "app/form1.h"
#include "platform/xls/xlsfile.h"
#include "store/schema.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

namespace testsupport {

QString alreadyOpenMessage() {
    return QStringLiteral("ERRORE: Risulta che il database Pratiche.xls è già aperto\n"
                          " Occorre chiuderlo e  poi si potrà riaprire l'applicazione !");
}

QByteArray fileDigest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

AppFixture::AppFixture() { xls::registerCodec(); }

AppFixture::~AppFixture() = default;

QString AppFixture::workbookPath() const { return folder() + QLatin1Char('/') + store::kWorkbookFileName; }

void AppFixture::writeWorkbook(const std::function<void(xl::Workbook&)>& prepare) {
    std::unique_ptr<xl::Workbook> book = store::newStarterWorkbook();
    if (prepare) prepare(*book);
    xls::writeWorkbook(*book, workbookPath(), store::workbookPassword());
}

bool AppFixture::start() {
    form_ = std::make_unique<Form1>(folder());
    if (!form_->Form_Load()) return false;
    form_->show();
    // The window system activates the window it shows, which runs the first
    // activation; a platform that does not is made up for here.
    if (!QTest::qWaitFor([this] { return form_->activations() > 0; }, 2000)) form_->Form_Activate();
    return !form_->ended();
}

xl::Worksheet& AppFixture::sheet(const QString& name) { return form_->book().workbook().Sheets(name); }

void AppFixture::closeForm() { form_.reset(); }

std::unique_ptr<xl::Workbook> AppFixture::onDisk() const {
    // The program writes its saves in the background: what is on disk is
    // read once they are written.
    if (form_) form_->waitForSave();
    return xls::readWorkbook(workbookPath(), store::workbookPassword());
}

} // namespace testsupport
