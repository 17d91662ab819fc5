// The game's GL, drawn in software onto a 2D canvas by the rules of Mesa's llvmpipe, which draws the native
// game on Linux, so that every frame has the native game's pixels and the page needs no WebGL.
// Linked with --js-library after Emscripten's own libraries, so the GL entries here replace theirs.
//
// A frame is drawn as a list of commands. Each command keeps the runs of pixels it covers; a command whose
// inputs the last frame also gave, in the same order among the others, keeps its runs. Only the boxes around
// the commands that came or went are drawn again and put on the canvas: mostly the ball and the paddle,
// a few hundred pixels, and nothing at all in a frame that changed nothing.
const TorvaleCanvasGL = {
  $CanvasGL: {
    // llvmpipe snaps window positions to 1/256 of a pixel and samples each pixel at its centre.
    SUBPIXEL: 256,
    // Mesa adds this to the raster position before flooring it for a bitmap, so a glyph whose corner falls
    // a rounding error short of a whole pixel still starts on that pixel.
    BITMAP_EPSILON: 1e-4,
    GL_LINES: 0x0001,
    GL_LINE_LOOP: 0x0002,
    GL_LINE_STRIP: 0x0003,
    GL_POLYGON: 0x0009,
    GL_COLOR_BUFFER_BIT: 0x4000,
    // What a command's inputs start with: its kind, then the pixel it draws in.
    CLEAR: 1,
    SHAPE: 2,
    BITMAP: 3,
    // How many of the last frame's commands in a row a frame may leave out and still keep the rest: a brick
    // broken takes two, a ball two, the text over the field eleven.
    LOOKAHEAD: 16,

    width: 0,
    height: 0,
    context: null,
    image: null,
    pixels: null,  // a 32-bit view of image's bytes: one pixel each, the top row first, as the canvas has them
    clearPixel: 0,
    colourPixel: 0xffffffff,  // the current colour, white as GL starts, as the pixel it draws
    // Column-major, in single precision as Mesa keeps them; the game sets only the model-view matrix.
    modelView: null,
    projection: null,
    combined: null,  // projection x model-view, made again after either changes
    viewport: [0, 0, 0, 0],
    transforms: 0,  // counts changes of the matrices and the viewport, which every shape's pixels depend on
    raster: {valid: false, x: 0, y: 0, pixel: 0},
    mode: null,  // the primitive between glBegin and glEnd
    inputs: [],  // the command being given: its first given values, the rest left from earlier commands
    given: 0,  // how many of inputs are the command's
    commands: [],  // {inputs, spans, box}: this frame's commands so far
    last: [],  // the last frame's commands, ...
    kept: 0,  // ... of which those before this one are kept or left out
    spans: null,  // the runs of the command being made: row, first and last column, rows counted from the top
    changed: [],  // boxes (left, top, right, bottom), apart from each other, around the pixels that may differ
    // The byte arrays that bitmaps come from, each added once (a font's glyphs), a bitmap command naming its
    // array by its place here: so every command's inputs are numbers, which the engines keep unboxed.
    bitmapSources: [],

    // The back buffer of a window of width x height pixels on canvas; glutSwapBuffers shows it.
    attach: (canvas, width, height) => {
      canvas.width = CanvasGL.width = width;
      canvas.height = CanvasGL.height = height;
      CanvasGL.context = canvas.getContext('2d', {alpha: false});
      // Without a 2D context (the page says so) the game draws on, into an image nobody sees.
      CanvasGL.image = CanvasGL.context ? CanvasGL.context.createImageData(width, height)
                                        : {data: new Uint8ClampedArray(width * height * 4)};
      CanvasGL.pixels = new Uint32Array(CanvasGL.image.data.buffer);
      CanvasGL.modelView = CanvasGL.identity();
      CanvasGL.projection = CanvasGL.identity();
      CanvasGL.combined = null;
      CanvasGL.changed = [[0, 0, width - 1, height - 1]];
      // A canvas whose context the browser lost and gave back is blank; the image still has the frame shown.
      canvas.addEventListener('contextrestored', () => CanvasGL.context.putImageData(CanvasGL.image, 0, 0));
    },

    // In each changed box, the frame's commands that reach it are drawn over the last frame, and the box is
    // put on the canvas; the rest of the canvas keeps the last frame. Each swap is a frame: one that changed
    // nothing puts an empty box, which every engine counts as a call and nothing more.
    present: () => {
      const before = CanvasGL.last, changed = CanvasGL.changed;
      for (let i = CanvasGL.kept; i < before.length; i++) CanvasGL.include(before[i].box);  // drawn no more
      const commands = CanvasGL.last = CanvasGL.commands;
      CanvasGL.commands = before;
      before.length = CanvasGL.kept = 0;
      const context = CanvasGL.context;
      if (!changed.length && context) context.putImageData(CanvasGL.image, 0, 0, 0, 0, 0, 0);
      for (let i = 0; i < changed.length; i++) {
        const left = changed[i][0], top = changed[i][1], right = changed[i][2], bottom = changed[i][3];
        for (let j = 0; j < commands.length; j++) {
          const box = commands[j].box, spans = commands[j].spans, pixel = commands[j].inputs[1];
          if (box[0] > right || box[2] < left || box[1] > bottom || box[3] < top) continue;
          for (let k = 0; k < spans.length; k += 3) {
            const row = spans[k], first = Math.max(spans[k + 1], left), last = Math.min(spans[k + 2], right);
            if (row >= top && row <= bottom && first <= last) {
              CanvasGL.pixels.fill(pixel, row * CanvasGL.width + first, row * CanvasGL.width + last + 1);
            }
          }
        }
        if (context) context.putImageData(CanvasGL.image, 0, 0, left, top, right - left + 1, bottom - top + 1);
      }
      changed.length = 0;
    },

    // Starts the next command's inputs with its kind and pixel; give adds the rest.
    start: (kind, pixel) => {
      CanvasGL.given = 0;
      CanvasGL.give(kind, pixel);
    },

    // Two more inputs of the command being given, as they all come: written over an earlier command's in
    // place, since an array emptied and pushed to again is made anew, for every command of every frame.
    give: (first, second) => {
      const inputs = CanvasGL.inputs;
      inputs[CanvasGL.given++] = first;
      inputs[CanvasGL.given++] = second;
    },

    // The command whose inputs were just given takes the next place in the frame. Where the last frame has
    // a command of the same inputs a little further on, that one is kept, and those before it are left out;
    // otherwise the command's runs are made. The pixels under a command that comes or goes may change.
    record: () => {
      const inputs = CanvasGL.inputs, given = CanvasGL.given, last = CanvasGL.last;
      const end = Math.min(last.length, CanvasGL.kept + CanvasGL.LOOKAHEAD);
      for (let i = CanvasGL.kept; i < end; i++) {
        if (!CanvasGL.same(inputs, given, last[i].inputs)) continue;
        for (let left = CanvasGL.kept; left < i; left++) CanvasGL.include(last[left].box);
        CanvasGL.commands.push(last[i]);
        CanvasGL.kept = i + 1;
        return;
      }
      const command = {inputs: inputs.slice(0, given), spans: CanvasGL.spans = [], box: [CanvasGL.width, CanvasGL.height, -1, -1]};
      CanvasGL.make(command.inputs);
      for (let k = 0; k < command.spans.length; k += 3) {
        command.box[0] = Math.min(command.box[0], command.spans[k + 1]);
        command.box[1] = Math.min(command.box[1], command.spans[k]);
        command.box[2] = Math.max(command.box[2], command.spans[k + 2]);
        command.box[3] = Math.max(command.box[3], command.spans[k]);
      }
      CanvasGL.commands.push(command);
      CanvasGL.include(command.box);
    },

    // Whether the first count of inputs are a command's others, value for value.
    same: (inputs, count, others) => {
      if (count !== others.length) return false;
      for (let i = 0; i < count; i++) if (inputs[i] !== others[i]) return false;
      return true;
    },

    // Adds a box (left, top, right, bottom; empty if right < left) to the changed ones: joined with each that
    // it overlaps or touches, so that no pixel is drawn or put twice, and the ball's box before and after is one.
    include: (box) => {
      if (box[2] < box[0]) return;
      const changed = CanvasGL.changed, joined = box.slice();
      for (let i = 0; i < changed.length;) {
        const other = changed[i];
        if (other[0] > joined[2] + 1 || other[2] < joined[0] - 1 || other[1] > joined[3] + 1 || other[3] < joined[1] - 1) {
          i++;
          continue;
        }
        joined[0] = Math.min(joined[0], other[0]);
        joined[1] = Math.min(joined[1], other[1]);
        joined[2] = Math.max(joined[2], other[2]);
        joined[3] = Math.max(joined[3], other[3]);
        changed.splice(i, 1);
        i = 0;  // grown, it may reach one passed over
      }
      changed.push(joined);
    },

    // A command's runs of pixels from its inputs.
    make: (inputs) => {
      if (inputs[0] === CanvasGL.CLEAR) {
        for (let row = 0; row < CanvasGL.height; row++) CanvasGL.span(row, 0, CanvasGL.width - 1);
      } else if (inputs[0] === CanvasGL.SHAPE) {
        const vertices = [];
        for (let i = 4; i + 1 < inputs.length; i += 2) vertices.push([inputs[i], inputs[i + 1]]);
        CanvasGL.draw(inputs[3], vertices);
      } else {
        CanvasGL.bitmapRuns(inputs[2], inputs[3], inputs[4], inputs[5], inputs[6], inputs[7], inputs[8], inputs[9]);
      }
    },

    // Pixels first to last of a row, all inside the window, joined to the run before when they continue it.
    span: (row, first, last) => {
      const spans = CanvasGL.spans, end = spans.length;
      if (end && spans[end - 3] === row && spans[end - 1] === first - 1) spans[end - 1] = last;
      else spans.push(row, first, last);
    },

    identity: () => {
      return Float32Array.of(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    },

    // A colour in [0, 1] as the 32-bit pixel that the framebuffer's 8 bits a channel store: red first in
    // memory, as the canvas's image data has it, whichever order the machine keeps a word's bytes in.
    pixel: (red, green, blue, alpha) => {
      const channel = CanvasGL.channel;
      if (CanvasGL.littleEndian === undefined) {
        CanvasGL.littleEndian = new Uint8Array(Uint32Array.of(1).buffer)[0] === 1;
      }
      const word = ((channel(alpha) << 24) | (channel(blue) << 16) | (channel(green) << 8) | channel(red)) >>> 0;
      if (CanvasGL.littleEndian) return word;
      return (((word & 0xff) << 24) | ((word & 0xff00) << 8) | ((word >>> 8) & 0xff00) | (word >>> 24)) >>> 0;
    },

    channel: (value) => {
      return Math.round(Math.min(Math.max(value, 0), 1) * 255);
    },

    // Object coordinates to the window, every step rounded to single precision as Mesa computes it: the
    // combined matrix, the division by w, and the viewport as one fused multiply-add, turned upside down
    // since llvmpipe draws the window from its top row. Null where w is not positive, outside every view.
    toWindow: (x, y) => {
      const f = Math.fround, m = CanvasGL.combined || (CanvasGL.combined = CanvasGL.combine());
      const clip = [0, 1, 2, 3].map((row) => f(f(f(m[row] * x) + f(m[row + 4] * y)) + m[row + 12]));
      if (!(clip[3] > 0)) return null;
      const viewport = CanvasGL.viewport, inverseW = f(1 / clip[3]);
      const down = CanvasGL.height - (viewport[1] + viewport[3] / 2);
      return {
        clip: clip,
        x: CanvasGL.fusedMultiplyAdd(f(clip[0] * inverseW), viewport[2] / 2, viewport[0] + viewport[2] / 2),
        y: CanvasGL.fusedMultiplyAdd(f(clip[1] * inverseW), -viewport[3] / 2, down),
      };
    },

    // a * b + c rounded once to single precision. The product of two floats is exact in a double, and so is
    // its sum with a window-sized c, so the one rounding is fround's.
    fusedMultiplyAdd: (a, b, c) => {
      return Math.fround(a * b + c);
    },

    // The projection times the model-view matrix, which Mesa keeps for transforming vertices.
    combine: () => {
      const f = Math.fround, p = CanvasGL.projection, m = CanvasGL.modelView, product = new Float32Array(16);
      for (let row = 0; row < 4; row++) {
        for (let column = 0; column < 4; column++) {
          let sum = 0;
          for (let k = 0; k < 4; k++) sum = f(sum + f(p[row + 4 * k] * m[k + 4 * column]));
          product[row + 4 * column] = sum;
        }
      }
      return product;
    },

    // A window coordinate in llvmpipe's fixed point, measured from the first pixel's centre, so that pixel
    // n's centre is at n * SUBPIXEL. Rounded as Mesa's scalar rounding does: a half added in single
    // precision, away from zero, and the fraction cut off.
    snap: (coordinate) => {
      const scaled = Math.fround(coordinate - 0.5) * CanvasGL.SUBPIXEL;
      return Math.trunc(Math.fround(scaled >= 0 ? scaled + 0.5 : scaled - 0.5));
    },

    // A convex polygon in fixed point: the pixels whose centres lie inside it. A polygon takes the centres
    // exactly on its left edges and on its level bottom edges, GL's lower-left rule, so that polygons
    // sharing an edge never both take them.
    polygon: (xs, ys) => {
      let count = xs.length, area = 0;
      const upright = count === 4 && ((xs[0] === xs[1] && ys[1] === ys[2] && xs[2] === xs[3] && ys[3] === ys[0]) ||
                                    (ys[0] === ys[1] && xs[1] === xs[2] && ys[2] === ys[3] && xs[3] === xs[0]));
      if (upright) {
        CanvasGL.rectangle(Math.min(xs[0], xs[2]), Math.max(xs[0], xs[2]), Math.min(ys[0], ys[2]), Math.max(ys[0], ys[2]));
        return;
      }
      for (let i = 0; i < count; i++) area += xs[i] * ys[(i + 1) % count] - xs[(i + 1) % count] * ys[i];
      if (area === 0) return;
      const turn = area > 0 ? 1 : -1;
      const edges = xs.map((x, i) => {
        const dx = turn * (xs[(i + 1) % count] - x), dy = turn * (ys[(i + 1) % count] - ys[i]);
        const inwardX = -dy, inwardY = dx;
        const takesCentres = inwardX > 0 || (inwardX === 0 && inwardY < 0);
        return {x: x, y: ys[i], dx: dx, dy: dy, least: takesCentres ? 0 : 1};
      });
      const unit = CanvasGL.SUBPIXEL;
      const left = Math.max(0, Math.ceil(Math.min.apply(null, xs) / unit));
      const right = Math.min(CanvasGL.width - 1, Math.floor(Math.max.apply(null, xs) / unit));
      const top = Math.max(0, Math.ceil(Math.min.apply(null, ys) / unit));
      const bottom = Math.min(CanvasGL.height - 1, Math.floor(Math.max.apply(null, ys) / unit));
      // Row by row, each edge bounds the run of centres inside from one side: a * column + b >= 0. The
      // integers are exact in doubles, and so are floor and ceil of their quotients at these sizes.
      for (let row = top; row <= bottom; row++) {
        let first = left, last = right;
        for (let i = 0; i < count; i++) {
          const edge = edges[i];
          const a = -edge.dy * unit, b = edge.dx * (row * unit - edge.y) + edge.dy * edge.x - edge.least;
          if (a > 0) first = Math.max(first, Math.ceil(-b / a));
          else if (a < 0) last = Math.min(last, Math.floor(b / -a));
          else if (b < 0) last = first - 1;
        }
        if (first <= last) CanvasGL.span(row, first, last);
      }
    },

    // An upright rectangle, as every one the game draws, its lines included: the same rule in whole runs. It
    // takes the centres on its left and bottom edges (the larger row), not those on its right and top.
    rectangle: (left, right, top, bottom) => {
      const unit = CanvasGL.SUBPIXEL;
      const first = Math.max(0, Math.ceil(left / unit)), last = Math.min(CanvasGL.width - 1, Math.ceil(right / unit) - 1);
      const firstRow = Math.max(0, Math.floor(top / unit) + 1);
      const lastRow = Math.min(CanvasGL.height - 1, Math.floor(bottom / unit));
      if (first > last) return;
      for (let row = firstRow; row <= lastRow; row++) CanvasGL.span(row, first, last);
    },

    // A one-pixel line as llvmpipe draws it: a parallelogram one pixel across, along the line's major axis,
    // whose ends are moved by up to half a pixel where the diamond-exit rule wants the end pixels other
    // than the parallelogram's fill rule would give them. That rule is decided in single precision from
    // where each end lies in its pixel, with llvmpipe's choices on the diamond's borders, which the native
    // game's lines show.
    line: (from, to) => {
      const f = Math.fround;
      const delta = [f(from.x - to.x), f(from.y - to.y)];  // from the end back to the start
      if (delta[0] === 0 && delta[1] === 0) return;
      const major = Math.abs(delta[0]) >= Math.abs(delta[1]) ? 0 : 1, minor = 1 - major;
      // x along x keeps the signs as they are; y along y turns them over, with its own tie on the border.
      const turn = major === 0 ? 1 : -1;
      const negative = (value) => value < 0;
      const slope = f(delta[minor] / delta[major]);
      const ends = [from, to].map((point) => {
        const at = [point.x, point.y];
        return {at: at, offset: at.map((value) => value - Math.floor(value) - 0.5)};
      });
      const start = ends[0], end = ends[1];
      if (end.offset[minor] === -0.5 && delta[minor] < 0) end.offset[minor] = 0.5;
      const insideDiamond = (offset) => f(Math.abs(offset[0]) + Math.abs(offset[1])) < 0.5;
      const crossing = (point) => {
        return f(f(point.at[minor] - Math.floor(point.at[minor])) + f(point.offset[major] * slope));
      };
      let drawStart, drawEnd;
      if (insideDiamond(start.offset)) drawStart = true;
      else if (negative(turn * start.offset[major]) === negative(-turn * delta[major])) drawStart = false;
      else if (negative(-turn * start.offset[minor]) !== negative(turn * delta[minor])) drawStart = true;
      else drawStart = crossing(start) > 0 && crossing(start) < 1;
      if (insideDiamond(end.offset)) drawEnd = false;
      else if (negative(turn * end.offset[major]) !== negative(-turn * delta[major])) drawEnd = false;
      else if (negative(-turn * end.offset[minor]) === negative(turn * delta[minor])) drawEnd = true;
      else drawEnd = (major === 0 ? crossing(end) > 0 : crossing(end) >= 0) && crossing(end) < 1;

      // Whether the parallelogram's own edges already take the end pixels, in llvmpipe's sign terms.
      const willDrawStart = negative(-turn * start.offset[major]) !== negative(turn * delta[major]);
      const willDrawEnd = negative(turn * end.offset[major]) === negative(-turn * delta[major]) ||
                          end.offset[major] === 0;
      const startEdge = delta[major] < 0 ? -0.5 : 0.5;
      const corners = [[start, willDrawStart !== drawStart], [end, willDrawEnd !== drawEnd]].map(([point, moves]) => {
        const shift = moves ? f(-point.offset[major] + startEdge) : 0;
        const moved = [];
        moved[major] = CanvasGL.snap(f(point.at[major] + shift));
        moved[minor] = CanvasGL.snap(f(point.at[minor] + f(shift * slope)));
        return moved;
      });
      const half = CanvasGL.SUBPIXEL / 2, xs = [], ys = [];
      [[0, -half], [1, -half], [1, half], [0, half]].forEach((corner) => {
        const point = corners[corner[0]].slice();
        point[minor] += corner[1];
        xs.push(point[0]);
        ys.push(point[1]);
      });
      CanvasGL.polygon(xs, ys);
    },

    // glBitmap at the raster position, in the raster colour, from byte at of bitmap source; the position moves on.
    bitmap: (width, height, xorig, yorig, xmove, ymove, source, at) => {
      const raster = CanvasGL.raster;
      if (!raster.valid) return;
      CanvasGL.start(CanvasGL.BITMAP, raster.pixel);
      CanvasGL.give(raster.x, raster.y);
      CanvasGL.give(width, height);
      CanvasGL.give(xorig, yorig);
      CanvasGL.give(source, at);
      CanvasGL.record();
      raster.x = Math.fround(raster.x + xmove);
      raster.y = Math.fround(raster.y + ymove);
    },

    // A bitmap's set bits with its origin at (x, y): rows bottom first, a byte per 8 pixels, leftmost bit
    // first, from byte at of bitmap source. What falls outside the window is clipped.
    bitmapRuns: (x, y, width, height, xorig, yorig, source, at) => {
      const bytes = CanvasGL.bitmapSources[source];
      const left = Math.floor(x + CanvasGL.BITMAP_EPSILON - xorig);
      const bottom = Math.floor(y + CanvasGL.BITMAP_EPSILON - yorig);
      const stride = (width + 7) >> 3;
      for (let row = 0; row < height; row++) {
        const windowRow = CanvasGL.height - 1 - (bottom + row);
        if (windowRow < 0 || windowRow >= CanvasGL.height) continue;
        for (let column = Math.max(0, -left); column < width && left + column < CanvasGL.width; column++) {
          if (bytes[at + row * stride + (column >> 3)] & (0x80 >> (column & 7))) {
            CanvasGL.span(windowRow, left + column, left + column);
          }
        }
      }
    },

    draw: (mode, vertices) => {
      const points = vertices.map((vertex) => CanvasGL.toWindow(vertex[0], vertex[1]));
      if (points.some((point) => !point)) return;
      if (mode == CanvasGL.GL_POLYGON) {
        if (points.length < 3) return;
        CanvasGL.polygon(points.map((point) => CanvasGL.snap(point.x)), points.map((point) => CanvasGL.snap(point.y)));
        return;
      }
      const step = mode == CanvasGL.GL_LINES ? 2 : 1;
      for (let i = 0; i + 1 < points.length; i += step) CanvasGL.line(points[i], points[i + 1]);
      if (mode == CanvasGL.GL_LINE_LOOP && points.length > 1) CanvasGL.line(points[points.length - 1], points[0]);
    },
  },

  glViewport__deps: ['$CanvasGL'],
  glViewport: function(x, y, width, height) {
    CanvasGL.viewport = [x, y, width, height];
    CanvasGL.transforms++;
  },

  glClearColor__deps: ['$CanvasGL'],
  glClearColor: function(red, green, blue, alpha) {
    CanvasGL.clearPixel = CanvasGL.pixel(red, green, blue, alpha);
  },

  // The window has only a colour buffer: nothing else is there to clear.
  glClear__deps: ['$CanvasGL'],
  glClear: function(mask) {
    if (!(mask & CanvasGL.GL_COLOR_BUFFER_BIT)) return;
    CanvasGL.start(CanvasGL.CLEAR, CanvasGL.clearPixel);
    CanvasGL.record();
  },

  glColor3f__deps: ['$CanvasGL'],
  glColor3f: function(red, green, blue) {
    CanvasGL.colourPixel = CanvasGL.pixel(red, green, blue, 1);
  },

  // gluOrtho2D is glOrtho with near and far at -1 and 1, multiplied onto the current (model-view) matrix.
  gluOrtho2D__deps: ['$CanvasGL'],
  gluOrtho2D: function(left, right, bottom, top) {
    const f = Math.fround, m = CanvasGL.modelView;
    const scale = [f(2 / (right - left)), f(2 / (top - bottom)), -1];
    const shift = [f(-(right + left) / (right - left)), f(-(top + bottom) / (top - bottom)), 0];
    const product = new Float32Array(16);
    for (let column = 0; column < 4; column++) {
      for (let row = 0; row < 4; row++) {
        let value = column < 3 ? f(m[row + 4 * column] * scale[column]) : m[row + 12];
        if (column == 3) {
          for (let k = 0; k < 3; k++) value = f(value + f(m[row + 4 * k] * shift[k]));
        }
        product[row + 4 * column] = value;
      }
    }
    CanvasGL.modelView = product;
    CanvasGL.combined = null;
    CanvasGL.transforms++;
  },

  glBegin__deps: ['$CanvasGL'],
  glBegin: function(mode) {
    if (mode !== CanvasGL.GL_LINES && mode !== CanvasGL.GL_LINE_LOOP && mode !== CanvasGL.GL_LINE_STRIP &&
        mode !== CanvasGL.GL_POLYGON) {
      abort('glBegin: primitive ' + mode + ' is not drawn on the canvas');
    }
    CanvasGL.mode = mode;
    CanvasGL.start(CanvasGL.SHAPE, 0);
    CanvasGL.give(CanvasGL.transforms, mode);
  },

  glVertex2f__deps: ['$CanvasGL'],
  glVertex2f: function(x, y) {
    if (CanvasGL.mode !== null) CanvasGL.give(x, y);
  },

  glEnd__deps: ['$CanvasGL'],
  glEnd: function() {
    if (CanvasGL.mode === null) return;
    CanvasGL.inputs[1] = CanvasGL.colourPixel;  // as GL, in the colour current at the end
    CanvasGL.record();
    CanvasGL.mode = null;
  },

  // A filled rectangle is the polygon through its four corners, as in GL.
  glRectf__deps: ['$CanvasGL'],
  glRectf: function(x1, y1, x2, y2) {
    CanvasGL.start(CanvasGL.SHAPE, CanvasGL.colourPixel);
    CanvasGL.give(CanvasGL.transforms, CanvasGL.GL_POLYGON);
    CanvasGL.give(x1, y1);
    CanvasGL.give(x2, y1);
    CanvasGL.give(x2, y2);
    CanvasGL.give(x1, y2);
    CanvasGL.record();
  },

  // Through the matrices and the viewport, with the current colour; outside the view volume the position
  // is invalid and bitmaps draw nothing.
  glRasterPos2f__deps: ['$CanvasGL'],
  glRasterPos2f: function(x, y) {
    const raster = CanvasGL.raster, point = CanvasGL.toWindow(x, y);
    raster.valid = !!point && [0, 1, 2].every((i) => {
      return -point.clip[3] <= point.clip[i] && point.clip[i] <= point.clip[3];
    });
    if (!raster.valid) return;
    raster.x = point.x;
    raster.y = Math.fround(CanvasGL.height - point.y);  // GL's window rows count up from the bottom
    raster.pixel = CanvasGL.colourPixel;
  },
};

autoAddDeps(TorvaleCanvasGL, '$CanvasGL');
mergeInto(LibraryManager.library, TorvaleCanvasGL);
