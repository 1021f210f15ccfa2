// Loads one of the site's WebAssembly modules (NAME.js, the factory, and NAME.wasm) and says in
// plain words what went wrong, instead of the toolchain's text.
export async function loadModule(name, what, options = {}) {
  let factory;
  try {
    ({ default: factory } = await import("./" + name + ".js"));
  } catch {
    throw new Error(what + " could not be loaded: " + name + ".js is missing from the site or is not a script");
  }
  try {
    // The factory fills in the very object it is given, which the caller may already hold.
    options.printErr ??= (text) => console.error(text);
    return await factory(options);
  } catch (error) {
    console.error(error);
    throw new Error(what + " could not be loaded: " + name + ".wasm is missing from the site, " +
                    "is not WebAssembly, or does not fit into this browser's memory");
  }
}
