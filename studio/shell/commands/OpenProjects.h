#pragma once

#include <memory>

class Animation;
class Gallery;
class Vantelifier;

// The open project of each kind, null while none is open. The studio keeps at most one
// project open at a time; the New commands see to that. Setting a project deletes the one
// it replaces, so a command that closes a project passes null.
Gallery* CurrentGallery();
Animation* CurrentAnimation();
Vantelifier* CurrentVantelifier();

void SetCurrentGallery(std::unique_ptr<Gallery> gallery);
void SetCurrentAnimation(std::unique_ptr<Animation> animation);
void SetCurrentVantelifier(std::unique_ptr<Vantelifier> vantelifier);

// Deletes the gallery, the page project and the animation, in that order, when the frame goes.
void CloseOpenProjects();
