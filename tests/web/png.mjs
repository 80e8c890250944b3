// Reads the PNG files that navanava-render writes: 8-bit RGB or RGBA,
// not interlaced. Returns { width, height, rgba } with four bytes a pixel.
import { readFileSync } from 'node:fs';
import { inflateSync } from 'node:zlib';

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

export function readPng(path) {
  const file = readFileSync(path);
  if (file.readUInt32BE(0) !== 0x89504e47) throw new Error(`${path} is not a PNG file`);
  let offset = 8;
  let width = 0;
  let height = 0;
  let channels = 0;
  const data = [];
  while (offset < file.length) {
    const length = file.readUInt32BE(offset);
    const type = file.toString('latin1', offset + 4, offset + 8);
    const body = file.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      const [depth, colourType, , , interlace] = body.subarray(8, 13);
      if (depth !== 8 || interlace !== 0 || (colourType !== 2 && colourType !== 6))
        throw new Error(`${path}: only 8-bit RGB or RGBA without interlace is read here`);
      channels = colourType === 2 ? 3 : 4;
    } else if (type === 'IDAT') {
      data.push(body);
    }
    offset += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const source = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const row = rows.subarray(y * stride, (y + 1) * stride);
    const above = y > 0 ? rows.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? row[i - channels] : 0;
      const upLeft = i >= channels ? above[i - channels] : 0;
      let value = source[i];
      if (filter === 1) value += left;
      else if (filter === 2) value += above[i];
      else if (filter === 3) value += (left + above[i]) >> 1;
      else if (filter === 4) value += paeth(left, above[i], upLeft);
      else if (filter !== 0) throw new Error(`${path}: unknown row filter ${filter}`);
      row[i] = value & 0xff;
    }
  }
  const rgba = Buffer.alloc(width * height * 4);
  for (let p = 0; p < width * height; ++p) {
    rgba[4 * p] = rows[channels * p];
    rgba[4 * p + 1] = rows[channels * p + 1];
    rgba[4 * p + 2] = rows[channels * p + 2];
    rgba[4 * p + 3] = channels === 4 ? rows[channels * p + 3] : 255;
  }
  return { width, height, rgba };
}
