// The page's worker: runs the pass (page.cpp) over each save in turn, reading the save in
// slices, and posts each piece of the copy as it comes and what each pass told.
'use strict';
const SLICE = 16 << 20; // bytes of the save read at once: fewer reads cost less time

let pass;
let save, slice, sliceat, asked;

// The pass's reader, as a reader's read: -1 where the file is gone, or was changed after it
// was chosen.
function readsave(buf, size) {
  try {
    if (sliceat === slice.length) {
      const from = asked;
      asked = Math.min(save.size, asked + SLICE);
      slice = new Uint8Array(new FileReaderSync().readAsArrayBuffer(save.slice(from, asked)));
      sliceat = 0;
      postMessage({ read: asked });
    }
    const n = Math.min(size, slice.length - sliceat);
    new Uint8Array(pass.memory.buffer, buf, n).set(slice.subarray(sliceat, sliceat + n));
    sliceat += n;
    return n;
  } catch (e) {
    return -1;
  }
}

// The pass's writer: each piece leaves the pass's memory once, for the page, which gathers
// the pieces in a blob meanwhile.
function keepcopy(buf, size) {
  try {
    const piece = pass.memory.buffer.slice(buf, buf + size);
    postMessage({ piece }, [piece]);
    return 1;
  } catch (e) {
    return 0;
  }
}

function text(at, len) {
  return new TextDecoder().decode(new Uint8Array(pass.memory.buffer, at, len));
}

// Runs the pass over one save, whose copy is named copy; a copy unless check.
function fixone(file, copy, check) {
  save = file;
  slice = new Uint8Array(0);
  sliceat = asked = 0;
  const room = new Uint8Array(pass.memory.buffer, pass.nameroom(), pass.namesize());
  const encoder = new TextEncoder();
  const savelen = encoder.encodeInto(file.name, room).written;
  const copylen = encoder.encodeInto(copy, room.subarray(savelen)).written;
  const result = pass.fix(savelen, copylen, check);
  const at = pass.reporttext(), listed = pass.listlen();
  slice = null;
  return { result, needed: pass.needed() !== 0, unlisted: pass.unlisted(),
           listed: text(at, listed), rest: text(at + listed, pass.reportlen() - listed) };
}

onmessage = async (e) => {
  const { wasm, saves, check } = e.data;
  const made = await WebAssembly.instantiate(wasm, { page: { readsave, keepcopy } });
  pass = made.instance.exports;
  for (const { file, copy } of saves)
    postMessage({ done: fixone(file, copy, check) });
  postMessage({ end: true });
};
