// vesmor-manual-pdf: renders a manual kept as HTML into a PDF file (A4, numbered pages), with
// the pictures it names. The build makes the German and the English user manual with it.
//
//   vesmor-manual-pdf MANUAL.html OUT.pdf

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>
#include <cstdio>

namespace {

// Every picture the manual names is added to the document; a missing one fails the build
// rather than leave a manual with holes.
bool AddPictures(QTextDocument& document, const QString& html, const QString& directory) {
    static const QRegularExpression picture("<img[^>]*\\ssrc=\"([^\"]+)\"");
    bool ok = true;
    for (const QRegularExpressionMatch& match : picture.globalMatch(html)) {
        const QString name = match.captured(1);
        const QImage image(directory + "/" + name);
        if (image.isNull()) {
            std::fprintf(stderr, "vesmor-manual-pdf: picture %s missing\n", qPrintable(name));
            ok = false;
            continue;
        }
        document.addResource(QTextDocument::ImageResource, QUrl(name), image);
    }
    return ok;
}

QString Title(const QString& html) {
    static const QRegularExpression title("<title>(.*)</title>");
    return title.match(html).captured(1);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vesmor-manual-pdf MANUAL.html OUT.pdf\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vesmor-manual-pdf: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString html = QString::fromUtf8(source.readAll());
    QTextDocument document;
    document.setDefaultFont(QFont("DejaVu Sans", 10));
    if (!AddPictures(document, html, QFileInfo(source).absolutePath())) {
        return 1;
    }
    document.setHtml(html);

    const QString output = QString::fromLocal8Bit(argv[2]);
    {
        QPdfWriter writer(output);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        writer.setTitle(Title(html));
        writer.setCreator("VESMOR Tagforge");
        document.print(&writer);
    }
    if (QFileInfo(output).size() == 0) {
        std::fprintf(stderr, "vesmor-manual-pdf: %s not written\n", argv[2]);
        return 1;
    }
    return 0;
}
