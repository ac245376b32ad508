// Renders the transponder content window offscreen after reading a 28-block transponder, a
// transponder with 8-byte blocks, and two transponders at once, and a comparison of a tag with
// an image saved before two of its blocks changed. The pictures go to the
// directory given as the first argument.

#include <QApplication>
#include <QTemporaryDir>
#include <QTranslator>
#include <cstdio>

#include "tests/app_ui/content_fixture.h"
#include "tests/app_ui/grab_to_file.h"

namespace {

using vesmor::sim::ChipKind;

// Some text in the writable blocks, so that the cells differ.
void WriteSampleData(tagforge::ui::test::ContentView& view, const vesmor::sim::Uid& uid) {
    const std::string text = "VESMOR Tagforge: Inhalt des Transponders, Block fuer Block. ";
    const vesmor::sim::TagGeometry geometry =
        vesmor::sim::GeometryOf(uid[6] == 5 ? ChipKind::kInfineon : ChipKind::kNxp);
    for (int block = 0; block < geometry.blockCount; ++block) {
        std::vector<unsigned char> data(static_cast<size_t>(geometry.blockSize));
        for (size_t i = 0; i < data.size(); ++i) {
            data[i] = static_cast<unsigned char>(text[(block * data.size() + i) % text.size()]);
        }
        VESMOR_WriteBlock(view.handle, block, data.data(), static_cast<int32_t>(data.size()),
                          uid.data(), 8, 1);
    }
}

bool Render(const QString& path, std::initializer_list<ChipKind> tags) {
    tagforge::ui::test::ContentView view;
    for (ChipKind kind : tags) {
        WriteSampleData(view, view.link.Field().Insert(kind));
    }
    tagforge::ui::CISO15693Dlg& window = view.Show();
    return tagforge::ui::test::GrabToFile(window, path);
}

// The text column and a comparison: the tag read, saved as an image, two blocks changed, read
// again and compared with the image.
bool RenderComparison(const QString& path) {
    tagforge::ui::test::ContentView view;
    const vesmor::sim::Uid uid = view.link.Field().Insert(ChipKind::kNxp);
    WriteSampleData(view, uid);
    tagforge::ui::CISO15693Dlg& window = view.Show();
    const QTemporaryDir directory;
    const QString image = directory.filePath("image.json");
    bool ok = window.SaveImage(image);
    view.link.Field().SetBlock(uid, 5, {'N', 'E', 'U', 0x0A});
    view.link.Field().SetBlock(uid, 17, {0x00, 0x01, 0x02, 0x03});
    view.ReadAgain();
    ok &= window.CompareWithImage(image) == 2;
    return ok && tagforge::ui::test::GrabToFile(window, path);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const tagforge::ui::test::RenderLanguage language;
    const QString directory = tagforge::ui::test::ScreenshotDirectory(argc, argv);
    bool ok = Render(language.File(directory, "content_view_28_blocks"), {ChipKind::kNxp});
    ok &= Render(language.File(directory, "content_view_8_byte_blocks"), {ChipKind::kInfineon});
    ok &= Render(language.File(directory, "content_view_collision"),
                 {ChipKind::kNxp, ChipKind::kStSmall});
    ok &= RenderComparison(language.File(directory, "content_view_comparison"));
    return ok ? 0 : 1;
}
