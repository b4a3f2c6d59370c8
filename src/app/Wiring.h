// How the window's parts talk to each other, in one place: the layout controller
// calls these once it has made the parts (and tests that assemble a smaller window
// call them too). Nothing below src/app reaches the application delegate; the play
// queue and the drive's telemetry are handed to whoever needs them here.
#pragma once

class AppDelegate;
class DriveTelemetry;
class InstrumentPanel;
class MarkStore;
class MapPane;
class PlayListView;
class PlayQueue;
class PositionCompassPanel;
class Settings;
class PlayerView;

namespace Wiring {

// The queue starts files in the player (from a second, when asked) and closes it when
// the playing entry goes; the player's end of file and its next and previous controls
// go to the queue; the play list hands the player the keys it answers. The telemetry
// follows the queue's current entry and trip and the engine's clock; the player's
// timeline and its captured pictures take the playing clip's samples from it. The
// delegate knows the parts, opens its dialog for the player's open control and shows
// the player's and the play list's messages in its toasts. `app` may be null.
void playerAndPlayList(PlayerView *video, PlayListView *list, PlayQueue *queue,
                       DriveTelemetry *telemetry, AppDelegate *app);

// The position and compass panel under the play list's table.
PositionCompassPanel *positionPanel(PlayListView *list, Settings &settings);

// The panels show the telemetry: the clip, its duration and every moment. Any of them
// may be null.
void panels(DriveTelemetry *telemetry, InstrumentPanel *display, PositionCompassPanel *position);

// The map follows the playing clip, its moments and its trip; the trip panel gets the
// trip's clips for its Trip figures and the map's measure of the clip; the player's
// timeline gets the trip's clips laid end to end. A click on the route or the timeline
// seeks within the playing clip, or has the queue play the clip clicked from the
// second clicked.
void tripsAndMap(PlayerView *video, PlayQueue *queue, DriveTelemetry *telemetry, MapPane *map,
                 InstrumentPanel *panel);

// The marks store follows the queue's playing entry and keeps its marks with it; the
// player draws them and hands it the user's gestures; a mark is followed through the
// incident's marked segment when there is one, else through the whole clip.
void marks(PlayerView *video, PlayQueue *queue, MarkStore *marks, AppDelegate *app);

// Skip Stops as the settings say: the playing clip's stops go to a skipper on the
// player's engine, the timeline shades them, and each jump is told in a toast.
void skipStops(PlayerView *video, DriveTelemetry *telemetry, Settings &settings, AppDelegate *app);

} // namespace Wiring
