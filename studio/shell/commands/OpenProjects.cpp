#include "studio/shell/commands/OpenProjects.h"

#include <utility>

#include "studio/projects/Animation.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/Vantelifier.h"

namespace {

struct Projects {
    std::unique_ptr<Gallery> gallery;
    std::unique_ptr<Animation> animation;
    std::unique_ptr<Vantelifier> vantelifier;
};

// Never destroyed: a project still open when the program ends must not be deleted after the
// objects its destructor uses are gone. The frame closes them before that.
Projects& Open() {
    static Projects* projects = new Projects;
    return *projects;
}

// The slot is cleared before the old project's destructor runs, so code it reaches while
// going already sees the project closed.
template <class T>
void Replace(std::unique_ptr<T>& slot, std::unique_ptr<T> next) {
    std::unique_ptr<T> old = std::exchange(slot, std::move(next));
    old.reset();
}

}  // namespace

Gallery* CurrentGallery() {
    return Open().gallery.get();
}

Animation* CurrentAnimation() {
    return Open().animation.get();
}

Vantelifier* CurrentVantelifier() {
    return Open().vantelifier.get();
}

void SetCurrentGallery(std::unique_ptr<Gallery> gallery) {
    Replace(Open().gallery, std::move(gallery));
}

void SetCurrentAnimation(std::unique_ptr<Animation> animation) {
    Replace(Open().animation, std::move(animation));
}

void SetCurrentVantelifier(std::unique_ptr<Vantelifier> vantelifier) {
    Replace(Open().vantelifier, std::move(vantelifier));
}

void CloseOpenProjects() {
    SetCurrentGallery(nullptr);
    SetCurrentVantelifier(nullptr);
    SetCurrentAnimation(nullptr);
}
