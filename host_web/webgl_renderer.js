// Draws the frames of the immediate-mode layer (immediate_mode.h) with WebGL
// 1.0: one shader program doing what GL 1.1's fixed-function pipeline does
// with the state the layer keeps (texture modulated by the vertex colour, fog
// from the eye distance per vertex, the blend function), one vertex buffer,
// one texture. The page hands it the context with Module.attachWebGl(gl),
// again after a lost context is restored.
mergeInto(LibraryManager.library, {
  $CindralWebGl__postset: 'Module["attachWebGl"] = CindralWebGl.attach;',
  $CindralWebGl: {
    gl: null,
    uniforms: null,
    // Floats per vertex: eye position (3), texture coordinates (2), colour (4).
    stride: 9,

    vertexShader: [
      'attribute vec3 aEye;',
      'attribute vec2 aTexCoord;',
      'attribute vec4 aColour;',
      'uniform mat4 uProjection;',
      // 0 no fog, 1 linear, 2 exponential, 3 squared exponential
      'uniform int uFogMode;',
      'uniform float uFogEnd;',
      'uniform float uFogScale;', // 1 / (end - start), 0 when they are equal
      'uniform float uFogDensity;',
      'varying vec2 vTexCoord;',
      'varying vec4 vColour;',
      'varying float vFog;',
      'void main() {',
      '  gl_Position = uProjection * vec4(aEye, 1.0);',
      '  vTexCoord = aTexCoord;',
      '  vColour = clamp(aColour, 0.0, 1.0);',
      // GL's fog coordinate: the eye-space depth, as a distance.
      '  float c = abs(aEye.z);',
      '  float f = 1.0;',
      '  if (uFogMode == 1) {',
      '    f = (uFogEnd - c) * uFogScale;',
      '  } else if (uFogMode == 2) {',
      '    f = exp(-uFogDensity * c);',
      '  } else if (uFogMode == 3) {',
      '    f = exp(-(uFogDensity * c) * (uFogDensity * c));',
      '  }',
      '  vFog = clamp(f, 0.0, 1.0);',
      '}',
    ].join('\n'),

    fragmentShader: [
      '#ifdef GL_FRAGMENT_PRECISION_HIGH',
      'precision highp float;',
      '#else',
      'precision mediump float;',
      '#endif',
      'uniform sampler2D uTexture;',
      'uniform bool uTexturing;',
      'uniform vec4 uFogColour;',
      'varying vec2 vTexCoord;',
      'varying vec4 vColour;',
      'varying float vFog;',
      'void main() {',
      '  vec4 c = vColour;',
      '  if (uTexturing) {',
      '    c *= texture2D(uTexture, vTexCoord);',
      '  }',
      '  gl_FragColor = vec4(mix(uFogColour.rgb, c.rgb, vFog), c.a);',
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

    attach: function(gl) {
      var program = gl.createProgram();
      gl.attachShader(program, CindralWebGl.compile(gl, gl.VERTEX_SHADER, CindralWebGl.vertexShader));
      gl.attachShader(program, CindralWebGl.compile(gl, gl.FRAGMENT_SHADER, CindralWebGl.fragmentShader));
      gl.bindAttribLocation(program, 0, 'aEye');
      gl.bindAttribLocation(program, 1, 'aTexCoord');
      gl.bindAttribLocation(program, 2, 'aColour');
      gl.linkProgram(program);
      if (!gl.getProgramParameter(program, gl.LINK_STATUS) && !gl.isContextLost()) {
        throw new Error('shader program: ' + gl.getProgramInfoLog(program));
      }
      gl.useProgram(program);
      var u = {};
      ['uProjection', 'uFogMode', 'uFogEnd', 'uFogScale', 'uFogDensity', 'uTexture', 'uTexturing',
       'uFogColour'].forEach(function(name) { u[name] = gl.getUniformLocation(program, name); });
      gl.uniform1i(u.uTexture, 0);

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
      CindralWebGl.gl = gl;
      CindralWebGl.uniforms = u;
    },
  },

  cindral_webgl_texture__deps: ['$CindralWebGl'],
  cindral_webgl_texture: function(texels, width, height, channels, minFilter, magFilter, wrapS, wrapT) {
    var gl = CindralWebGl.gl;
    var format = channels == 3 ? gl.RGB : gl.RGBA;
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
    gl.texImage2D(gl.TEXTURE_2D, 0, format, width, height, 0, format, gl.UNSIGNED_BYTE,
                  HEAPU8.subarray(texels, texels + width * height * channels));
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
    var gl = CindralWebGl.gl;
    gl.viewport(x, y, width, height);
    gl.uniformMatrix4fv(CindralWebGl.uniforms.uProjection, false,
                        HEAPF32.subarray(projection >> 2, (projection >> 2) + 16));
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
    gl.uniform1i(CindralWebGl.uniforms.uTexturing, texturing);
  },

  cindral_webgl_fog__deps: ['$CindralWebGl'],
  cindral_webgl_fog: function(enabled, mode, density, start, end, red, green, blue, alpha) {
    var gl = CindralWebGl.gl;
    var u = CindralWebGl.uniforms;
    var modes = {0x2601: 1, 0x0800: 2, 0x0801: 3}; // GL_LINEAR, GL_EXP, GL_EXP2
    gl.uniform1i(u.uFogMode, enabled ? (modes[mode] || 0) : 0);
    gl.uniform1f(u.uFogEnd, end);
    gl.uniform1f(u.uFogScale, end != start ? 1 / (end - start) : 0);
    gl.uniform1f(u.uFogDensity, density);
    gl.uniform4f(u.uFogColour, red, green, blue, alpha);
  },

  cindral_webgl_triangles__deps: ['$CindralWebGl'],
  cindral_webgl_triangles: function(vertices, count) {
    var gl = CindralWebGl.gl;
    var first = vertices >> 2;
    gl.bufferData(gl.ARRAY_BUFFER, HEAPF32.subarray(first, first + count * CindralWebGl.stride),
                  gl.STREAM_DRAW);
    gl.drawArrays(gl.TRIANGLES, 0, count);
  },
});
