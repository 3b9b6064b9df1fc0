// The page's worker, after the compiled module (createBrimshadeModule) in the
// same function: it makes everything for one picture at a time, off the
// page's thread, and posts each part as soon as it is ready.
//
// From the page: {id, picture: ArrayBuffer, name}, id numbering the pictures.
// To the page: {kind: "ready"} once the module runs; then for each picture
// {id, kind, value} as web_entry.cpp reports them ("stage", "inspection",
// "bitmap", "program", "preview", or "refusal"), and {id, kind: "done"}; or
// {id, kind: "failed", value: why} when the module gave up (out of memory),
// after which the page starts a new worker.
const modulePromise = createBrimshadeModule();

modulePromise.then(() => postMessage({ kind: "ready" }));

onmessage = async (event) => {
    const { id, picture, name } = event.data;
    try {
        const module = await modulePromise;
        module.make(new Uint8Array(picture), name, (kind, value) => {
            // Bytes move to the page rather than being copied.
            postMessage({ id, kind, value }, value instanceof Uint8Array ? [value.buffer] : []);
        });
        postMessage({ id, kind: "done" });
    } catch (error) {
        postMessage({ id, kind: "failed", value: String(error) });
    }
};
