# cmake -DMODULE=module.js -DWORKER=worker.js -DPAGE=page.js -DOUTPUT=brimshade.js -P assemble_script.cmake
# Writes the page's one script: the worker's code (the compiled module, then
# worker.js) as the body of the function brimshadeWorker, which the page
# starts as a worker from its own source, then the page's code.
file(READ "${MODULE}" module)
file(READ "${WORKER}" worker)
file(READ "${PAGE}" page)
file(WRITE "${OUTPUT}" "function brimshadeWorker() {\n${module}\n${worker}}\n\n${page}")
