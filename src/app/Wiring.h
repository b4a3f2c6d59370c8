// How the window's parts talk to each other, in one place: the layout controller
// calls these once it has made the parts (and tests that assemble a smaller window
// call them too). Nothing below src/app reaches the application delegate.
#pragma once

class AppDelegate;
class KTDisplayViewController;
class KTWebViewController;
class PlaybackSession;
class PlayListViewController;
class PositionCompassPanel;
class Settings;
class VideoViewController;

namespace Wiring {

// The play list starts rows in the player, closes it when the playing row goes and
// hands it the keys it answers; the player takes a file's samples from the store;
// the player's open control opens the delegate's
// dialog; the delegate knows both, marks the entry of every row that starts and shows
// their messages in its toasts.
// `app` may be null (then only the play list and the player are connected).
void playerAndPlayList(VideoViewController *video, PlayListViewController *list, AppDelegate *app);

// Seeks to `seconds` (at most the duration) at the first tick of running time.
void seekOnceRunning(PlaybackSession *session, double seconds);

// The position and compass panel under the play list's table.
PositionCompassPanel *positionPanel(PlayListViewController *list, Settings &settings);

// The map follows the playing trip, the trip panel gets the trip's samples for its
// Trip figures and the player's timeline the trip's clips laid end to end; a click on
// the route or the timeline seeks within the playing clip, or plays the clip clicked
// from the second clicked.
void tripsAndMap(VideoViewController *video, PlayListViewController *list, KTWebViewController *map,
                 KTDisplayViewController *panel);

} // namespace Wiring
