#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QSlider>
#include <QToolButton>

#include "studio/projects/Animation.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/animation/tests/AnimationTesting.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/viewer/PageViewerScript.h"

namespace {

using animation_testing::AnimationStudio;
using Texts = std::vector<std::string>;

template <class W>
W* Control(const InfoExtraSheet& sheet, int id) {
    W* control = sheet.findChild<W*>(QString::number(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
}

bool PlaybackEnabled(const InfoExtraSheet& sheet) {
    bool all = true;
    bool any = false;
    for (int id : {1182, 1183, 1184, 1047, 1186}) {
        const bool on = Control<QToolButton>(sheet, id)->isEnabled();
        all = all && on;
        any = any || on;
    }
    EXPECT_EQ(all, any) << "the five playback buttons go together";
    return all;
}

TEST(AnimationSheet, ShowingTakesTheAnimationsSettings) {
    AnimationStudio studio;
    const InfoExtraSheet& sheet = *studio.sheet;
    Animation& animation = studio.StartWith(studio.WritePicture("Harbour.jpg"));
    // A new animation takes its title from the picture.
    EXPECT_EQ(Control<QLineEdit>(sheet, 1146)->text(), "Harbour");
    EXPECT_EQ(Control<QLineEdit>(sheet, 1191)->text(), "Harbour.jpg");
    const auto* modes = Control<QComboBox>(sheet, 1216);
    EXPECT_EQ(modes->currentIndex(), 2);
    animation.SetPlayMode(9);
    studio.sheet->hide();
    studio.sheet->show();
    EXPECT_EQ(modes->currentIndex(), 0) << "a mode outside the table shows as the first";
}

TEST(AnimationSheet, PlaybackNeedsTwoPointsAndTheLoadedPage) {
    AnimationStudio studio;
    studio.StartWith(studio.WritePicture("a.jpg"));
    studio.AddPoints({200});
    EXPECT_TRUE(studio.sheet->IsPageLoaded());
    EXPECT_FALSE(PlaybackEnabled(*studio.sheet)) << "one point";

    studio.AddPoints({400});
    studio.sheet->Update();
    EXPECT_FALSE(PlaybackEnabled(*studio.sheet)) << "the page is loading";
    studio.sheet->Play();
    EXPECT_TRUE(studio.ScriptNavigations().empty()) << "Play before the load does nothing";
    EXPECT_EQ(studio.sheet->GetPlayingState(), 0);

    studio.FinishLoad();
    EXPECT_TRUE(PlaybackEnabled(*studio.sheet));
    Control<QToolButton>(*studio.sheet, 1182)->click();
    EXPECT_EQ(studio.sheet->GetPlayingState(), 1);
    Control<QToolButton>(*studio.sheet, 1183)->click();
    EXPECT_EQ(studio.sheet->GetPlayingState(), 2);
    Control<QToolButton>(*studio.sheet, 1047)->click();
    Control<QToolButton>(*studio.sheet, 1186)->click();
    Control<QToolButton>(*studio.sheet, 1184)->click();
    EXPECT_EQ(studio.sheet->GetPlayingState(), 0);
    EXPECT_EQ(studio.ScriptNavigations(),
              (Texts{"javascript:play()", "javascript:pause()", "javascript:forward()",
                     "javascript:rewind()", "javascript:stop()"}));
}

TEST(AnimationSheet, TheViewerKeepsItsPlaceAcrossARegeneratedPage) {
    AnimationStudio studio;
    // A new animation without points: the whole picture once the page is there.
    Animation& animation = studio.StartWith(studio.WritePicture("a.jpg"));
    ASSERT_FALSE(studio.browser->scripts.empty());
    EXPECT_EQ(studio.browser->scripts.back(), SetFitScript(304));

    studio.browser->viewer = {320, 200, 40, 30, 2};  // centre (120, 80) at zoom 2
    const std::size_t pages = studio.browser->navigations.size();
    Control<QSlider>(*studio.sheet, 1148)->setValue(400);
    EXPECT_EQ(animation.GetWindowWidth(), 400);
    EXPECT_EQ(Control<QLineEdit>(*studio.sheet, 1147)->text(), "400");
    EXPECT_TRUE(animation.IsModified());
    ASSERT_EQ(studio.browser->navigations.size(), pages + 1);
    EXPECT_EQ(studio.browser->navigations.back(), animation.GetPagePath());

    studio.browser->viewer = {400, 200, 0, 0, 1};  // the reload put it back at the start
    studio.FinishLoad();
    EXPECT_EQ(studio.browser->scripts.back(), SetPositionScript(Vector3(120, 80, 2)));

    // Loaded again without an edit: no place is kept, the first point is gone to.
    studio.AddPoints({500});
    studio.browser->hasViewer = false;
    studio.sheet->Update();
    studio.browser->hasViewer = true;
    studio.FinishLoad();
    EXPECT_EQ(studio.browser->scripts.back(), SetPositionScript(animation.GetPoint(0)->position));
}

TEST(AnimationSheet, OnlyTheLoadedPagesOwnPlaceIsKept) {
    AnimationStudio studio;
    // The page shown before has a viewer at its start (StartWith): the new animation is
    // still shown whole.
    Animation& animation = studio.StartWith(studio.WritePicture("a.jpg"));
    EXPECT_EQ(studio.browser->scripts.back(), SetFitScript(304));

    // Two edits in a row: the second comes while the page is loading again and its viewer
    // stands at its start, which is not where the user left it.
    studio.browser->viewer = {320, 200, 40, 30, 2};  // centre (120, 80) at zoom 2
    Control<QSlider>(*studio.sheet, 1148)->setValue(400);
    studio.browser->viewer = {400, 200, 0, 0, 1};
    Control<QSlider>(*studio.sheet, 1150)->setValue(300);
    studio.FinishLoad();
    EXPECT_EQ(studio.browser->scripts.back(), SetPositionScript(Vector3(120, 80, 2)));
    EXPECT_EQ(animation.GetWindowHeight(), 300);

    // Another picture in the same animation: the place on the former one is not its place.
    ASSERT_TRUE(animation.LoadImage(studio.WritePicture("b.jpg")));
    studio.sheet->Update();
    studio.FinishLoad();
    EXPECT_EQ(studio.browser->scripts.back(), SetFitScript(304));
}

TEST(AnimationSheet, EditedSizesAreCheckedAndReachThePage) {
    AnimationStudio studio;
    Animation& animation = studio.StartWith(studio.WritePicture("a.jpg"));
    auto* width = Control<QLineEdit>(*studio.sheet, 1147);
    auto* slider = Control<QSlider>(*studio.sheet, 1148);
    const struct {
        const char* typed;
        const char* shown;
        int kept;
    } cases[] = {
        {"5000", "320", 320}, {"15", "320", 320},     {"wide", "320", 320},
        {"16", "16", 16},     {"2048", "2048", 2048}, {"500", "500", 500},
    };
    for (const auto& c : cases) {
        width->setText(c.typed);
        emit width->editingFinished();
        EXPECT_EQ(width->text(), c.shown) << c.typed;
        EXPECT_EQ(animation.GetWindowWidth(), c.kept) << c.typed;
    }
    EXPECT_EQ(slider->value(), 500);

    auto* title = Control<QLineEdit>(*studio.sheet, 1146);
    const std::size_t pages = studio.browser->navigations.size();
    emit title->editingFinished();
    EXPECT_EQ(studio.browser->navigations.size(), pages) << "an unchanged title does nothing";
    title->setText("Tour");
    emit title->editingFinished();
    EXPECT_EQ(animation.GetTitle(), "Tour");
    EXPECT_EQ(studio.browser->navigations.size(), pages + 1);

    auto* modes = Control<QComboBox>(*studio.sheet, 1216);
    modes->setCurrentIndex(5);
    emit modes->activated(5);
    EXPECT_EQ(animation.GetPlayMode(), 5);
}

TEST(AnimationSheet, APictureDroppedOnItsNameFieldIsTaken) {
    AnimationStudio studio;
    Animation& animation = studio.StartWith(studio.WritePicture("first.jpg"));
    studio.AddPoints({200, 300});
    const std::string second = studio.WritePicture("second.jpg");
    studio.WritePicture("notes.txt");
    studio.sheet->resize(320, 600);
    studio.sheet->show();
    const QWidget* field = Control<QWidget>(*studio.sheet, 1191);
    const QPoint inside = field->mapTo(studio.sheet.get(), field->rect().center());

    const auto data = [&](const char* name) {
        studio.Select(studio.pictures + name);
        return CreateFileDataSource(studio.selection);
    };
    EXPECT_EQ(studio.sheet->CanDrop(data("second.jpg").get(), Qt::NoModifier, inside), 1);
    EXPECT_EQ(studio.sheet->CanDrop(data("second.jpg").get(), Qt::NoModifier, QPoint(0, 0)), 0);
    QMimeData plain;
    plain.setText("second.jpg");
    EXPECT_EQ(studio.sheet->CanDrop(&plain, Qt::NoModifier, inside), 0);

    EXPECT_FALSE(studio.sheet->Drop(data("notes.txt").get(), 1, inside));
    EXPECT_EQ(animation.GetImagePath(), studio.pictures + "first.jpg");
    EXPECT_TRUE(studio.sheet->Drop(data("second.jpg").get(), 1, inside));
    EXPECT_EQ(animation.GetImagePath(), second);
    EXPECT_EQ(studio.PointNames(), (Texts{"A", "B"})) << "the points stay";
    EXPECT_EQ(Control<QLineEdit>(*studio.sheet, 1191)->text(), "second.jpg");
}

}  // namespace
