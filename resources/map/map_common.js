// Shared by the map pages: reading points, measuring the route, the heading of
// the marker, and reporting the route length to the player.
(function (global) {
    'use strict';

    var EARTH_RADIUS_M = 6371008.8; // mean Earth radius (IUGG)

    // A point given as [lat, lng] or as {lat: .., lng: ..} (keys read by name,
    // in any order). Null for anything that is not a usable position.
    function toLatLng(p) {
        var lat, lng;
        if (Array.isArray(p)) {
            lat = Number(p[0]);
            lng = Number(p[1]);
        } else if (p && typeof p === 'object') {
            lat = Number(p.lat);
            lng = Number(p.lng);
        } else {
            return null;
        }
        if (!isFinite(lat) || !isFinite(lng) || Math.abs(lat) > 90 || Math.abs(lng) > 180)
            return null;
        return { lat: lat, lng: lng };
    }

    function toRoute(points) {
        var route = [];
        if (!Array.isArray(points))
            return route;
        for (var i = 0; i < points.length; ++i) {
            var p = toLatLng(points[i]);
            if (p)
                route.push(p);
        }
        return route;
    }

    function rad(deg) { return deg * Math.PI / 180; }

    function haversine(a, b) {
        var dLat = rad(b.lat - a.lat);
        var dLng = rad(b.lng - a.lng);
        var s = Math.sin(dLat / 2) * Math.sin(dLat / 2) +
                Math.cos(rad(a.lat)) * Math.cos(rad(b.lat)) * Math.sin(dLng / 2) * Math.sin(dLng / 2);
        return 2 * EARTH_RADIUS_M * Math.asin(Math.min(1, Math.sqrt(s)));
    }

    function routeLength(route) {
        var total = 0;
        for (var i = 1; i < route.length; ++i)
            total += haversine(route[i - 1], route[i]);
        return total;
    }

    // Initial bearing from a to b in degrees clockwise from north.
    function bearing(a, b) {
        var y = Math.sin(rad(b.lng - a.lng)) * Math.cos(rad(b.lat));
        var x = Math.cos(rad(a.lat)) * Math.sin(rad(b.lat)) -
                Math.sin(rad(a.lat)) * Math.cos(rad(b.lat)) * Math.cos(rad(b.lng - a.lng));
        return (Math.atan2(y, x) * 180 / Math.PI + 360) % 360;
    }

    function key(p) { return p.lat + ',' + p.lng; }

    // Finds where a marker position lies on the route, so that its heading is the
    // direction of travel there. Returns -1 for a position off the route.
    function Tracker() {
        this.index = {};
        this.route = [];
    }
    Tracker.prototype.setRoute = function (route) {
        this.route = route;
        this.index = {};
        for (var i = route.length - 1; i >= 0; --i)
            this.index[key(route[i])] = i;
    };
    Tracker.prototype.find = function (p) {
        var i = this.index[key(p)];
        return i === undefined ? -1 : i;
    };
    // Heading at route point i: towards the next distinct point, or from the
    // previous one at the end. Null when the route does not move.
    Tracker.prototype.headingAt = function (i) {
        var r = this.route;
        for (var j = i + 1; j < r.length; ++j)
            if (r[j].lat !== r[i].lat || r[j].lng !== r[i].lng)
                return bearing(r[i], r[j]);
        for (var k = i - 1; k >= 0; --k)
            if (r[k].lat !== r[i].lat || r[k].lng !== r[i].lng)
                return bearing(r[k], r[i]);
        return null;
    };

    function reportDistance(metres) {
        if (typeof global.cocoa_getDistance === 'function')
            global.cocoa_getDistance(metres);
    }

    // A click on the route: which clip of the drawing and which of its points.
    function reportClick(clip, point) {
        if (typeof global.cocoa_routeClicked === 'function')
            global.cocoa_routeClicked(clip, point);
    }

    // The point of `routes` (lists of [lat, lng]) nearest to p, as [route, point],
    // or null when there is none. Distances are measured on a local flat plane.
    function nearest(routes, p) {
        var k = Math.cos(rad(p.lat));
        var best = null, bestD = Infinity;
        for (var r = 0; r < routes.length; ++r) {
            var route = routes[r];
            for (var i = 0; i < route.length; ++i) {
                var dy = route[i][0] - p.lat, dx = (route[i][1] - p.lng) * k;
                var d = dx * dx + dy * dy;
                if (d < bestD) {
                    bestD = d;
                    best = [r, i];
                }
            }
        }
        return best;
    }

    global.VeltraMap = {
        reportClick: reportClick,
        nearest: nearest,
        toLatLng: toLatLng,
        toRoute: toRoute,
        haversine: haversine,
        routeLength: routeLength,
        bearing: bearing,
        Tracker: Tracker,
        reportDistance: reportDistance
    };

    // What the page currently shows; read by the player's tests and diagnostics.
    global.mapState = {
        page: '',
        points: 0,
        distance: 0,
        marker: null,
        markerIndex: -1,
        heading: null,
        draws: 0,
        trip: false,
        tripClips: 0,
        playingClip: -1,
        follows: 0,
        ready: false
    };
})(window);
