// Script of the generated directory listings: thumbnails on request.
// Plain script without libraries; the page calls Init() at its end and
// ShowTn(img) when a placeholder is clicked.

// Phones lay out a page without a viewport declaration at desktop width.
(function () {
    if (document.querySelector('meta[name="viewport"]')) return;
    var meta = document.createElement("meta");
    meta.name = "viewport";
    meta.content = "width=device-width, initial-scale=1";
    (document.head || document.documentElement).appendChild(meta);
})();

var TnPixels = 120;       // longest edge shown, in CSS pixels (64 on small screens)
var TnParallel = 2;       // thumbnails requested at the same time
var TnQueue = [];
var TnRunning = 0;

// Edge length to ask the server for: the shown size at the screen's density.
function TnEdge() {
    var shown = window.matchMedia && window.matchMedia("(max-width: 600px)").matches ? 64 : TnPixels;
    var density = Math.min(Math.max(window.devicePixelRatio || 1, 1), 2);
    return Math.round(shown * density);
}

function TnPlaceholders() {
    return document.querySelectorAll('img[name="TnImg"]');
}

// Starts the queued loads while fewer than TnParallel run.
function TnPump() {
    while (TnRunning < TnParallel && TnQueue.length > 0) TnLoad(TnQueue.shift());
}

// Loads one thumbnail; a failed one gets its placeholder back and may be retried.
function TnLoad(img) {
    TnRunning++;
    var finished = function (loaded) {
        img.onload = img.onerror = null;
        img.className = loaded ? "TnLoaded" : "";
        if (loaded) {
            img.setAttribute("data-tn", "TnLoaded");
        } else {
            img.removeAttribute("data-tn");
            img.src = "/*extra/tn.gif";
        }
        TnRunning--;
        TnPump();
    };
    img.onload = function () { finished(true); };
    img.onerror = function () { finished(false); };
    img.className = "TnLoading";
    img.src = img.getAttribute("url") + "?tn=" + TnEdge();
}

// Replaces a placeholder by the thumbnail of its image; a shown thumbnail
// opens the image itself.
function ShowTn(img) {
    var url = img && img.getAttribute("url");
    if (!url) return;
    var state = img.getAttribute("data-tn");
    if (state === "TnLoaded") {
        window.location.href = url;
        return;
    }
    if (state) return;
    img.setAttribute("data-tn", "queued");
    TnQueue.push(img);
    TnPump();
}

// Loads every thumbnail not yet shown; shown ones stay (ShowTn would open them).
function ShowAllThumbnails() {
    var images = TnPlaceholders();
    for (var i = 0; i < images.length; i++)
        if (!images[i].getAttribute("data-tn")) ShowTn(images[i]);
}

// Makes the placeholders reachable and usable from the keyboard.
function Init() {
    var images = TnPlaceholders();
    for (var i = 0; i < images.length; i++) {
        var img = images[i];
        img.tabIndex = 0;
        img.setAttribute("role", "button");
        img.setAttribute("aria-label", "Thumbnail");
        img.onkeydown = function (event) {
            if (event.key === "Enter" || event.key === " ") {
                event.preventDefault();
                ShowTn(this);
            }
        };
    }
}
