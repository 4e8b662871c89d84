// The page: takes the saves picked or dropped, has the worker run the pass over them, and
// shows each report with its copy to download. Nothing leaves the browser.
'use strict';
const $ = (id) => document.getElementById(id);
const copyname = (save) => 'FIXED-' + save;
const PART = 16 << 20; // bytes of the copy gathered before they become one blob, which the
// browser may keep on its disk

// The pass built with SIMD128 where the engine validates a function that uses it.
const probe = [0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 8, 1, 6, 0,
               65, 0, 253, 15, 11];
const kernel = WebAssembly.validate(new Uint8Array(probe)) ? 'simd128' : 'plain';
const wasm = Uint8Array.from(atob($('pass-' + kernel).textContent.trim()), (c) => c.charCodeAt(0));
const workerurl = URL.createObjectURL(new Blob([$('worker').textContent],
                                               { type: 'text/javascript' }));
document.body.dataset.kernel = kernel;

const VERDICTS = [
  ['Repaired. The repaired copy is ready below; the save itself is unchanged.',
   'Needs no repair. The copy is the same as the save, and offered all the same.'],
  ['Cannot be repaired: a line is too long. No copy was made.'],
  ['Could not be read: it is a folder, or it changed or moved since it was chosen. No copy was ' +
   'made.'],
  ['The copy could not be kept: the browser ran out of memory. No copy was made.'],
];
const CHECKED = ['Needs repair. Nothing was made: this was a check.', 'Needs no repair.'];

let worker = null;
let urls = [];

function element(tag, parent, text, attrs = {}) {
  const e = document.createElement(tag);
  e.textContent = text;
  for (const [name, value] of Object.entries(attrs))
    e.setAttribute(name, value);
  return parent.appendChild(e);
}

// The place of one save's report, waiting for its pass.
function card(file) {
  const box = element('section', $('results'), '');
  element('h2', box, file.name);
  const progress = element('progress', box, '', { max: file.size || 1, value: 0,
                                                  'aria-label': 'Read of ' + file.name });
  const verdict = element('p', box, 'Waiting.', { class: 'verdict' });
  return { box, file, progress, verdict };
}

function size(n) {
  return n < 1024 ? `${n} bytes` : n < 1048576 ? `${(n / 1024).toFixed(1)} KB` :
                                                 `${(n / 1048576).toFixed(1)} MB`;
}

// Shows what the pass over one save told, and its copy.
function show(c, done, check, copy) {
  c.progress.remove();
  const verdicts = check && done.result === 0 ? CHECKED : VERDICTS[done.result];
  const listed = done.listed.split('\n').length - 1, repairs = listed + done.unlisted;
  c.verdict.textContent = verdicts[done.needed || verdicts.length < 2 ? 0 : 1] +
    (repairs === 0 ? '' : ` ${repairs} repair${repairs > 1 ? 's' : ''}` +
     (done.unlisted > 0 ? `, the first ${listed} listed below.` : ', listed below.'));
  if (copy) {
    const url = URL.createObjectURL(copy);
    urls.push(url);
    const p = element('p', c.box, '');
    const name = copyname(c.file.name);
    element('a', p, 'Download ' + name, { href: url, download: name });
    p.append(` (${size(copy.size)})`);
  }
  const more = done.unlisted > 0 ? `... and ${done.unlisted} more repairs, not listed here\n` : '';
  element('pre', c.box, done.listed + more + done.rest,
          { 'data-report': c.file.name, tabindex: 0, 'aria-label': 'Report on ' + c.file.name });
}

function stop(why) {
  if (worker)
    worker.terminate();
  worker = null;
  $('status').textContent = why;
  document.body.dataset.state = why ? 'failed' : 'done';
}

// Runs the pass over the files, in order, in a worker of their own.
function run(files) {
  stop('');
  urls.forEach((url) => URL.revokeObjectURL(url));
  urls = [];
  $('results').textContent = '';
  if (files.length === 0)
    return;
  const check = $('check').checked;
  const cards = files.map(card);
  let at = 0, pieces = [], gathered = 0, parts = [];
  document.body.dataset.state = 'busy';
  $('status').textContent = `Working on ${files.length} save${files.length > 1 ? 's' : ''}...`;
  worker = new Worker(workerurl);
  worker.onerror = (e) => stop('The repair could not run in this browser: ' + e.message);
  worker.onmessage = ({ data }) => {
    if (data.piece) {
      pieces.push(data.piece);
      gathered += data.piece.byteLength;
    }
    if (gathered >= PART || data.done) {
      parts.push(new Blob(pieces));
      pieces = [];
      gathered = 0;
    }
    if (data.read !== undefined) {
      cards[at].progress.value = data.read;
      cards[at].verdict.textContent = `Reading: ${size(data.read)}`;
    }
    if (data.done) {
      show(cards[at++], data.done, check, check || data.done.result ? null : new Blob(parts));
      parts = [];
    }
    if (data.end) {
      stop('');
      $('status').textContent = `Done: ${files.length} save${files.length > 1 ? 's' : ''}.`;
    }
  };
  worker.postMessage({ wasm, check, saves: files.map((file) => ({
    file, copy: copyname(file.name) })) });
}

$('saves').addEventListener('change', (e) => {
  const files = Array.from(e.target.files);
  e.target.value = '';
  run(files);
});
// A save dropped anywhere on the page is taken, never opened by the browser in its place.
document.addEventListener('dragover', (e) => {
  e.preventDefault();
  $('drop').classList.add('over');
});
document.addEventListener('dragleave', () => $('drop').classList.remove('over'));
document.addEventListener('drop', (e) => {
  e.preventDefault();
  $('drop').classList.remove('over');
  if (e.dataTransfer.files.length > 0)
    run(Array.from(e.dataTransfer.files));
});
