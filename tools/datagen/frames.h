#pragma once
// The 320 x 240 pictures: stills, logo, overlays and masks.
//
// Overlays keep the show's convention: alpha 255 lets the frame below show, 0 covers it.
// Pictures that a scene brightens before showing are stored at half strength (the scene's
// brighten nearly doubles them); the end picture is shown as it is.

#include "datagen/picture.h"
#include "datagen/text.h"

namespace orvanta::datagen {

// Names in the show's credits and greetings (all invented).
inline constexpr const char* kTitle = "veltrane";
inline constexpr const char* kGroup = "quillmoth";

ArgbPicture buildOpeningPicture(const FontSet& fonts);   // "progress.tga"
ArgbPicture buildTunnelLogo(const FontSet& fonts);       // "trovask.tga"
ArgbPicture buildBlobOverlayFirst(const FontSet& fonts);   // "terrorist.tga"
ArgbPicture buildBlobOverlaySecond(const FontSet& fonts);  // "dravo.tga"
ArgbPicture buildCredits(const FontSet& fonts);          // "credits.tga"
ArgbPicture buildGreetings(const FontSet& fonts);        // "greets.tga"
ArgbPicture buildControlTest(const FontSet& fonts);      // "control_test.tga"
ArgbPicture buildSpikeMask();                            // "happyface.tga"
ArgbPicture buildCubeMask();                             // "rux.tga"
ArgbPicture buildEndPicture(const FontSet& fonts);       // "l33t.tga"

}  // namespace orvanta::datagen
