// The page: takes a picture, hands it to the worker, and shows what comes
// back as it comes: the figures, the downloads, the preview; or the tool's
// message for a refused picture. Nothing leaves the page. Its marks on the
// performance timeline (brimshade-ready, -picture-taken, -program-offered)
// are what bench/web/page_benchmark.py times.

const STAGES = {
    reading: [1, (name) => `Reading ${name}…`],
    scanning: [2, () => "Finding its shape…"],
    making: [3, () => "Making the program…"],
    drawing: [4, () => "Drawing the preview…"],
};

const $ = (id) => document.getElementById(id);
const status = $("status");
const progress = $("progress");
const refusal = $("refusal");
const result = $("result");
const figures = $("figures");
const preview = $("preview");

let worker = null;
let ready = false;
// Each picture's number: what the worker reports of an earlier one is stale.
let current = 0;
let picture = null; // {name, stem, file, inspection}
let downloadUrls = [];
// Why this browser cannot run the page, once that is known.
let unable = null;

// A page opened from disk may not start a worker from a file, but it may
// from a blob: the worker is brimshadeWorker's own source, the compiled
// module and worker.js inside it.
function startWorker() {
    if (typeof WebAssembly !== "object") {
        cannotRun("it has no WebAssembly, which the page runs on (it may be turned off)");
        return;
    }
    const url = URL.createObjectURL(new Blob([`(${brimshadeWorker})();`], { type: "text/javascript" }));
    let own;
    try {
        own = new Worker(url);
    } catch (error) {
        cannotRun(`it does not let the page start its worker (${error.message})`);
        return;
    }
    worker = own;
    ready = false;
    // What a worker that has been replaced still says is no longer heard.
    own.onmessage = (event) => {
        if (own === worker) hear(event.data, url);
    };
    own.onerror = (event) => {
        event.preventDefault();
        if (own !== worker) return;
        if (!ready) cannotRun(`its worker could not start (${event.message})`);
        else replaceWorker(current, event.message);
    };
}

function hear(data, url) {
    switch (data.kind) {
    case "ready":
        URL.revokeObjectURL(url);
        ready = true;
        performance.mark("brimshade-ready");
        if (!picture) showStatus("Ready for your picture.");
        document.documentElement.dataset.ready = "true";
        break;
    case "unable":
        cannotRun(`it did not let the page start its WebAssembly (${data.value})`);
        break;
    case "failed":
        replaceWorker(data.id, data.value);
        break;
    default:
        if (data.id === current) receive(data);
    }
}

// The worker has given up, and its memory with it: a new one takes its place.
// The current picture goes on in the new one, unless it was the one that
// failed.
function replaceWorker(id, why) {
    worker.terminate();
    startWorker();
    if (!picture || unable || document.documentElement.dataset.done) return;
    if (id !== current) {
        post(picture);
        return;
    }
    refusal.textContent = `${picture.name}: the page ran out of memory with this picture (${why}).`;
    refusal.hidden = false;
    finish("That picture is too large for this page; the picture tool can make its program.");
}

function cannotRun(why) {
    unable = `This browser cannot run this page: ${why}. The picture tool for Windows or Linux makes the same program.`;
    worker?.terminate();
    worker = null;
    progress.hidden = true;
    delete document.documentElement.dataset.busy;
    showStatus(unable);
    $("picture").disabled = true;
    document.documentElement.dataset.unable = "true";
}

// The picture with the program's options as make's --edges and --on-top.
function post({ file, name }) {
    worker.postMessage({ id: current, file, name, edges: $("edges").value, onTop: $("on-top").checked });
}

function showStatus(text) {
    status.textContent = text;
}

function stemOf(name) {
    const dot = name.lastIndexOf(".");
    return dot > 0 ? name.slice(0, dot) : name;
}

function clearResults() {
    downloadUrls.forEach((url) => URL.revokeObjectURL(url));
    downloadUrls = [];
    refusal.hidden = true;
    result.hidden = true;
    for (const link of [$("download-program"), $("download-bitmap")]) {
        link.removeAttribute("href");
        link.hidden = true;
    }
    $("warnings").replaceChildren();
    figures.querySelectorAll("dd").forEach((dd) => (dd.textContent = ""));
    preview.width = preview.height = 0;
    $("actual-size").hidden = true;
    delete document.documentElement.dataset.done;
}

function take(file) {
    if (!file || unable) return;
    performance.mark("brimshade-picture-taken");
    clearResults();
    current += 1;
    picture = { name: file.name, stem: stemOf(file.name), file, inspection: null };
    document.documentElement.dataset.busy = "true";
    progress.hidden = false;
    progress.value = 0;
    showStatus(ready ? STAGES.reading[1](file.name) : `Reading ${file.name} as soon as the page is ready…`);
    post(picture);
}

function finish(text) {
    progress.hidden = true;
    showStatus(text);
    delete document.documentElement.dataset.busy;
    document.documentElement.dataset.done = "true";
}

function offer(linkId, bytes, name, type) {
    const link = $(linkId);
    const url = URL.createObjectURL(new Blob([bytes], { type }));
    downloadUrls.push(url);
    link.href = url;
    link.download = name;
    link.textContent = `Download ${name}`;
    link.hidden = false;
}

function receive({ kind, value }) {
    switch (kind) {
    case "stage":
        progress.value = STAGES[value][0];
        showStatus(STAGES[value][1](picture.name));
        break;
    case "inspection":
        picture.inspection = JSON.parse(value);
        showFigures(picture.inspection);
        result.hidden = false;
        break;
    case "bitmap":
        offer("download-bitmap", value, `${picture.stem}.bmp`, "image/bmp");
        break;
    case "program":
        offer("download-program", value, `${picture.stem}.exe`, "application/vnd.microsoft.portable-executable");
        performance.mark("brimshade-program-offered");
        break;
    case "preview":
        drawPreview(value, picture.inspection.width, picture.inspection.height);
        break;
    case "refusal":
        refusal.textContent = value;
        refusal.hidden = false;
        finish("That picture cannot be made into a program.");
        break;
    case "done":
        if (refusal.hidden) finish(`Done: ${picture.stem}.exe is ready to download.`);
        break;
    case "unreadable":
        finish(`${picture.name} could not be read from your computer.`);
        break;
    }
}

// The figures as inspect gives them, in its words.
function showFigures(f) {
    const show = (name, text) => (figures.querySelector(`[data-figure="${name}"]`).textContent = text);
    const pixels = f.width * f.height;
    show("format", f.format);
    show("size", `${f.width} x ${f.height}`);
    show("shape", f.has_transparency ? "transparency" : "near-black colours");
    show("edges", f.edges === "soft" ? "soft, each pixel blended with what lies below by its alpha" : "cut to the shape");
    const colours = [f.gamma_converted ? `converted to sRGB from the file's gamma ${f.file_gamma.toFixed(5)}` : "as the file has them"];
    if (f.alpha_unused) colours.push("alpha 0 throughout, so unused: the picture is opaque");
    show("gamma", colours.join("; "));
    show("see-through", `${f.see_through_pixels} of ${pixels} (${f.see_through_percent.toFixed(2)} %)`);
    show("partly", f.has_transparency ? String(f.partly_transparent_pixels) : "none: the picture has no transparency");
    show("raised", !f.has_transparency ? "none: the picture has no transparency"
        : f.edges === "soft" ? "none: soft edges keep the picture's own colours"
        : `${f.raised_pixels} opaque near-black pixels raised to 17, 17, 17`);
    show("rectangles", `${f.rectangles} in ${f.batches.length} ${f.batches.length === 1 ? "batch" : "batches"}`);
    show("banded", String(f.banded_rectangles));
    show("region", f.region_box ? `box (${f.region_box[0]}, ${f.region_box[1]})-(${f.region_box[2]}, ${f.region_box[3]})` : "empty");
    const warnings = $("warnings");
    for (const warning of f.warnings) {
        const item = document.createElement("li");
        item.textContent = `Warning: ${warning}`;
        warnings.append(item);
    }
}

function drawPreview(rgba, width, height) {
    preview.width = width;
    preview.height = height;
    preview.setAttribute("aria-label", `Preview of ${picture.name} as its window will look, ${width} by ${height} pixels`);
    preview.getContext("2d").putImageData(new ImageData(new Uint8ClampedArray(rgba.buffer), width, height), 0, 0);
    offerActualSize();
}

// A preview wider than the page is shown fitted, and may be shown at its
// actual size instead; one that fits is at its actual size already.
function offerActualSize() {
    const frame = $("preview-frame");
    $("actual-size").hidden = !frame.classList.contains("actual-size") && preview.clientWidth >= preview.width;
}
window.addEventListener("resize", offerActualSize);

$("picture").addEventListener("change", (event) => {
    take(event.target.files[0]);
    event.target.value = "";
});

// The current picture is made again with the options as they are now.
for (const option of [$("edges"), $("on-top")]) option.addEventListener("change", () => picture && take(picture.file));

$("actual-size").addEventListener("click", (event) => {
    const actual = $("preview-frame").classList.toggle("actual-size");
    event.target.setAttribute("aria-pressed", String(actual));
    event.target.textContent = actual ? "Fit to the page" : "Show at actual size";
});

// A picture may be dropped anywhere on the page.
const drop = $("drop");
document.addEventListener("dragover", (event) => {
    event.preventDefault();
    drop.classList.add("dragging");
});
document.addEventListener("dragleave", (event) => {
    if (!event.relatedTarget) drop.classList.remove("dragging");
});
document.addEventListener("drop", (event) => {
    event.preventDefault();
    drop.classList.remove("dragging");
    take(event.dataTransfer.files[0]);
});

clearResults();
startWorker();
