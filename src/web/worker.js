// The page's worker, after the compiled module (createBrimshadeModule) in the
// same function: it makes everything for one picture at a time, off the
// page's thread, and posts each part as soon as it is ready.
//
// From the page: {id, file, name, edges, onTop}, the picture as the page was
// given it (a File, not yet read), id numbering the pictures, with make's
// --edges ("soft", "cut" or "" for the default) and --on-top.
// To the page: {kind: "ready"} once the module runs, or {kind: "unable",
// value: why} when this browser cannot run it; then for each picture {id,
// kind, value} as web_entry.cpp reports them ("stage", "inspection",
// "bitmap", "program", "preview", or "refusal"), and {id, kind: "done"}; or
// {id, kind: "unreadable"} when the file could not be read; or {id, kind:
// "failed", value: why} when the module gave up (out of memory), after which
// the page starts a new worker.
const modulePromise = Promise.resolve().then(() => createBrimshadeModule());

modulePromise.then(
    () => postMessage({ kind: "ready" }),
    (error) => postMessage({ kind: "unable", value: String(error) }),
);

// The newest picture given: one given while an earlier is still being read
// makes the earlier one stale, and it is dropped once read.
let latest = 0;

onmessage = async (event) => {
    const { id, file, name, edges, onTop } = event.data;
    latest = id;
    const post = (kind, value) =>
        // Bytes move to the page rather than being copied.
        postMessage({ id, kind, value }, value instanceof Uint8Array ? [value.buffer] : []);
    try {
        const module = await modulePromise;
        // Refused by its size before a byte of it is read.
        const refusal = module.refusalOfSize(file.size, name);
        if (refusal) {
            post("refusal", refusal);
            post("done");
            return;
        }
        const bytes = await file.arrayBuffer().catch(() => null);
        if (id !== latest) return;
        if (!bytes) return post("unreadable");
        module.make(new Uint8Array(bytes), name, edges, onTop, post);
        post("done");
    } catch (error) {
        post("failed", String(error));
    }
};
