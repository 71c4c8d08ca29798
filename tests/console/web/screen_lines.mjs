// Reading the screen of a page that shows the scaling page's frame (red
// from the column, green from the row): a screenshot's pixels, and whether
// a line of them shows every frame column or row once, in order, each on as
// many pixels as the scale says.

// The screen over an area as R, G, B, A bytes: captured by the browser as a
// PNG (in device pixels) and decoded by the page itself, then fetched in
// parts, since the protocol's socket does not carry a whole large one.
// Without an area, the whole viewport.
const PART_BYTES = 1 << 20;
export async function screenPixels(page, area = null) {
  const shot = await page.send('Page.captureScreenshot', area ? { format: 'png', clip: { ...area, scale: 1 } } : { format: 'png' });
  const size = await page.evaluate(`(async () => {
    const image = new Image();
    image.src = 'data:image/png;base64,${shot.data}';
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    window.vxrScreenshot = context.getImageData(0, 0, image.width, image.height).data;
    return { width: image.width, height: image.height };
  })()`);
  const pixels = Buffer.alloc(size.width * size.height * 4);
  for (let start = 0; start < pixels.length; start += PART_BYTES) {
    const part = await page.evaluate(`(() => {
      const data = window.vxrScreenshot.subarray(${start}, ${start + PART_BYTES});
      let text = '';
      for (let i = 0; i < data.length; i += 8192)
        text += String.fromCharCode.apply(null, data.subarray(i, i + 8192));
      return btoa(text);
    })()`);
    Buffer.from(part, 'base64').copy(pixels, start);
  }
  await page.evaluate('window.vxrScreenshot = null');
  return { width: size.width, height: size.height, at: (x, y) => [...pixels.subarray(4 * (y * size.width + x), 4 * (y * size.width + x) + 3)] };
}

// What a line of the screen shows, as the frame columns (or rows) of its
// pixels; the page draws red from the column and green from the row.
export const frameIndexOf = (colour, across) => (across ? colour[0] - 64 : (colour[1] - 28) / 2);

// One line across (or down) the box: every frame index from the first to
// the last, in order, each shown on as many pixels as the scale says (a
// whole multiple exactly that many); scaled down, none shown twice and
// fewer than the scale's inverse passed over. The first problem, or null.
export function lineProblem(indices, count, shownLength) {
  const scale = shownLength / count;
  if (indices[0] !== 0 || indices[indices.length - 1] !== count - 1)
    return `runs from ${indices[0]} to ${indices[indices.length - 1]}`;
  let run = 1;
  for (let i = 1; i <= indices.length; ++i) {
    if (i < indices.length && indices[i] === indices[i - 1]) { ++run; continue; }
    const last = i === indices.length;
    const step = last ? 1 : indices[i] - indices[i - 1];
    if (scale >= 1 && (step !== 1 || run < Math.floor(scale) || run > Math.ceil(scale)))
      return `index ${indices[i - 1]} shown on ${run} pixels, then a step of ${step}, at scale ${scale}`;
    if (scale < 1 && (run !== 1 || step < 1 || step > Math.ceil(1 / scale)))
      return `index ${indices[i - 1]} shown on ${run} pixels, then a step of ${step}, at scale ${scale}`;
    run = 1;
  }
  return null;
}

