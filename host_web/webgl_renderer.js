// Draws the frames of the immediate-mode layer (immediate_mode.h) with WebGL
// 1.0: shader programs doing what GL 1.1's fixed-function pipeline does with
// the state the layer keeps (texture modulated by the vertex colour, fog from
// the eye distance per vertex, the blend function), one vertex buffer, one
// texture. The page hands it the context with Module.attachWebGl(gl), again
// after a lost context is restored.
//
// Without a GPU the browser runs these shaders on the processor, and a
// frame's cost is mostly the fragment shader's (docs/performance.md). So each
// combination of texturing and fog the layer asks for gets a program of its
// own, compiled on first use, with no branch left in it; and the fog is
// applied per vertex, to the colour, leaving the fragment shader one
// multiplication by the texture.
mergeInto(LibraryManager.library, {
  $CindralWebGl__postset: 'Module["attachWebGl"] = CindralWebGl.attach;',
  $CindralWebGl: {
    gl: null,
    programs: null,   // by programKey(), as compiled so far for this context
    // Floats per vertex: eye position (3), texture coordinates (2), colour (4).
    stride: 9,
    // The state of the draws to come, as the calls below set it.
    projection: null,  // a Float32Array of 16 once attached
    texturing: false,
    fogMode: 0,        // 0 no fog, 1 linear, 2 exponential, 3 squared exponential
    fogEnd: 1,
    fogScale: 1,       // 1 / (end - start), 0 when they are equal
    fogDensity: 1,
    fogColour: null,   // a Float32Array of 3 once attached

    vertexShader: [
      'attribute vec3 aEye;',
      'attribute vec2 aTexCoord;',
      'attribute vec4 aColour;',
      'uniform mat4 uProjection;',
      'uniform float uFogEnd;',
      'uniform float uFogScale;',
      'uniform float uFogDensity;',
      'uniform vec3 uFogColour;',
      'varying vec4 vColour;',
      '#ifdef TEXTURING',
      'varying vec2 vTexCoord;',
      '#endif',
      '#ifdef FOG_COLOUR',
      'varying vec3 vFogColour;',
      '#endif',
      'void main() {',
      '  gl_Position = uProjection * vec4(aEye, 1.0);',
      '#ifdef TEXTURING',
      '  vTexCoord = aTexCoord;',
      '#endif',
      // GL's fog coordinate: the eye-space depth, as a distance.
      '  float c = abs(aEye.z);',
      '  float f = 1.0;',
      '#if FOG == 1',
      '  f = (uFogEnd - c) * uFogScale;',
      '#elif FOG == 2',
      '  f = exp(-uFogDensity * c);',
      '#elif FOG == 3',
      '  f = exp(-(uFogDensity * c) * (uFogDensity * c));',
      '#endif',
      '  f = clamp(f, 0.0, 1.0);',
      // GL takes f of the fragment's colour, texture applied, and 1 - f of the
      // fog colour. Both parts go to the vertex here: the same wherever colour
      // and fog factor are constant across a primitive, as across each of the
      // scene's sprites.
      '  vec4 colour = clamp(aColour, 0.0, 1.0);',
      '  vColour = vec4(colour.rgb * f, colour.a);',
      '#ifdef FOG_COLOUR',
      '  vFogColour = uFogColour * (1.0 - f);',
      '#endif',
      '}',
    ].join('\n'),

    fragmentShader: [
      '#ifdef GL_FRAGMENT_PRECISION_HIGH',
      'precision highp float;',
      '#else',
      'precision mediump float;',
      '#endif',
      'varying vec4 vColour;',
      '#ifdef TEXTURING',
      'uniform sampler2D uTexture;',
      'varying vec2 vTexCoord;',
      '#endif',
      '#ifdef FOG_COLOUR',
      'varying vec3 vFogColour;',
      '#endif',
      'void main() {',
      '  vec4 c = vColour;',
      '#ifdef TEXTURING',
      '  c *= texture2D(uTexture, vTexCoord);',
      '#endif',
      '#ifdef FOG_COLOUR',
      '  c.rgb += vFogColour;',
      '#endif',
      '  gl_FragColor = c;',
      '}',
    ].join('\n'),

    compile: function(gl, type, source) {
      var shader = gl.createShader(type);
      gl.shaderSource(shader, source);
      gl.compileShader(shader);
      if (!gl.getShaderParameter(shader, gl.COMPILE_STATUS) && !gl.isContextLost()) {
        throw new Error('shader: ' + gl.getShaderInfoLog(shader));
      }
      return shader;
    },

    // Which program the state of the draws to come needs, as a small number,
    // so that a frame that needs one already made builds no string.
    programKey: function() {
      var c = CindralWebGl.fogColour;
      // Fog in black, as the scene's, adds nothing.
      var fogColour = CindralWebGl.fogMode != 0 && (c[0] != 0 || c[1] != 0 || c[2] != 0);
      return CindralWebGl.fogMode * 4 + (CindralWebGl.texturing ? 2 : 0) + (fogColour ? 1 : 0);
    },

    // The program for the state of the draws to come, made current.
    useProgram: function() {
      var gl = CindralWebGl.gl;
      var key = CindralWebGl.programKey();
      var p = CindralWebGl.programs[key];
      if (!p) {
        var defines = '#define FOG ' + (key >> 2) + '\n' + (key & 2 ? '#define TEXTURING\n' : '') +
            (key & 1 ? '#define FOG_COLOUR\n' : '');
        var program = gl.createProgram();
        gl.attachShader(program, CindralWebGl.compile(gl, gl.VERTEX_SHADER, defines + CindralWebGl.vertexShader));
        gl.attachShader(program,
                        CindralWebGl.compile(gl, gl.FRAGMENT_SHADER, defines + CindralWebGl.fragmentShader));
        gl.bindAttribLocation(program, 0, 'aEye');
        gl.bindAttribLocation(program, 1, 'aTexCoord');
        gl.bindAttribLocation(program, 2, 'aColour');
        gl.linkProgram(program);
        if (!gl.getProgramParameter(program, gl.LINK_STATUS) && !gl.isContextLost()) {
          throw new Error('shader program: ' + gl.getProgramInfoLog(program));
        }
        p = {program: program};
        ['uProjection', 'uFogEnd', 'uFogScale', 'uFogDensity', 'uFogColour', 'uTexture'].forEach(function(name) {
          p[name] = gl.getUniformLocation(program, name);
        });
        gl.useProgram(program);
        gl.uniform1i(p.uTexture, 0);
        CindralWebGl.programs[key] = p;
      }
      gl.useProgram(p.program);
      gl.uniformMatrix4fv(p.uProjection, false, CindralWebGl.projection);
      gl.uniform1f(p.uFogEnd, CindralWebGl.fogEnd);
      gl.uniform1f(p.uFogScale, CindralWebGl.fogScale);
      gl.uniform1f(p.uFogDensity, CindralWebGl.fogDensity);
      gl.uniform3fv(p.uFogColour, CindralWebGl.fogColour);
    },

    attach: function(gl) {
      CindralWebGl.gl = gl;
      CindralWebGl.programs = {};
      CindralWebGl.projection = CindralWebGl.projection || new Float32Array(16);
      CindralWebGl.fogColour = CindralWebGl.fogColour || new Float32Array(3);
      gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
      var bytes = CindralWebGl.stride * 4;
      gl.enableVertexAttribArray(0);
      gl.enableVertexAttribArray(1);
      gl.enableVertexAttribArray(2);
      gl.vertexAttribPointer(0, 3, gl.FLOAT, false, bytes, 0);
      gl.vertexAttribPointer(1, 2, gl.FLOAT, false, bytes, 12);
      gl.vertexAttribPointer(2, 4, gl.FLOAT, false, bytes, 20);

      gl.activeTexture(gl.TEXTURE0);
      gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
      // GL 1.1's other defaults already hold in WebGL; dithering would make
      // the same frame differ between drivers.
      gl.disable(gl.DITHER);
      gl.disable(gl.DEPTH_TEST);
    },
  },

  cindral_webgl_texture__deps: ['$CindralWebGl'],
  cindral_webgl_texture: function(texels, width, height, channels, minFilter, magFilter, wrapS, wrapT) {
    var gl = CindralWebGl.gl;
    var image = HEAPU8.subarray(texels, texels + width * height * channels);
    var format = channels == 3 ? gl.RGB : gl.RGBA;
    // An RGB image in shades of grey, as the sprite's, samples the same from
    // one byte a texel as from three; a third of the bytes to filter.
    var grey = channels == 3;
    for (var i = 0; grey && i < image.length; i += 3) {
      grey = image[i] == image[i + 1] && image[i] == image[i + 2];
    }
    if (grey) {
      var luminance = new Uint8Array(width * height);
      for (var j = 0; j < luminance.length; ++j) {
        luminance[j] = image[3 * j];
      }
      format = gl.LUMINANCE;
      image = luminance;
    }
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
    gl.texImage2D(gl.TEXTURE_2D, 0, format, width, height, 0, format, gl.UNSIGNED_BYTE, image);
    // GL_CLAMP (0x2900) has no WebGL counterpart; the nearest is to clamp to
    // the edge texels.
    var wrap = function(mode) { return mode == 0x2900 ? gl.CLAMP_TO_EDGE : mode; };
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, minFilter);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, magFilter);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, wrap(wrapS));
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, wrap(wrapT));
  },

  cindral_webgl_clear__deps: ['$CindralWebGl'],
  cindral_webgl_clear: function(mask, red, green, blue, alpha) {
    var gl = CindralWebGl.gl;
    gl.clearColor(red, green, blue, alpha);
    gl.clear(mask);
  },

  cindral_webgl_view__deps: ['$CindralWebGl'],
  cindral_webgl_view: function(x, y, width, height, projection) {
    CindralWebGl.gl.viewport(x, y, width, height);
    CindralWebGl.projection.set(HEAPF32.subarray(projection >> 2, (projection >> 2) + 16));
  },

  cindral_webgl_blend__deps: ['$CindralWebGl'],
  cindral_webgl_blend: function(enabled, source, destination, texturing) {
    var gl = CindralWebGl.gl;
    if (enabled) {
      gl.enable(gl.BLEND);
    } else {
      gl.disable(gl.BLEND);
    }
    gl.blendFunc(source, destination);
    CindralWebGl.texturing = !!texturing;
  },

  cindral_webgl_fog__deps: ['$CindralWebGl'],
  cindral_webgl_fog: function(enabled, mode, density, start, end, red, green, blue, alpha) {
    var fogMode = mode == 0x2601 ? 1 : mode == 0x0800 ? 2 : mode == 0x0801 ? 3 : 0; // GL_LINEAR, GL_EXP, GL_EXP2
    CindralWebGl.fogMode = enabled ? fogMode : 0;
    CindralWebGl.fogEnd = end;
    CindralWebGl.fogScale = end != start ? 1 / (end - start) : 0;
    CindralWebGl.fogDensity = density;
    CindralWebGl.fogColour[0] = red;
    CindralWebGl.fogColour[1] = green;
    CindralWebGl.fogColour[2] = blue;
  },

  cindral_webgl_triangles__deps: ['$CindralWebGl'],
  cindral_webgl_triangles: function(vertices, count) {
    var gl = CindralWebGl.gl;
    CindralWebGl.useProgram();
    var first = vertices >> 2;
    gl.bufferData(gl.ARRAY_BUFFER, HEAPF32.subarray(first, first + count * CindralWebGl.stride),
                  gl.STREAM_DRAW);
    gl.drawArrays(gl.TRIANGLES, 0, count);
  },
});
